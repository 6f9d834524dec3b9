#pragma once
// The main screen: the map with its markers and path line, the search bar, the toolbar with the
// status label, the settings and info buttons, the two alerts every part uses, the layout with
// the banner, and the map's callouts. Every operation of the screen is here; where a feature's
// logic lives in its own folder (path editing in measure/), this class forwards to it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <cstdio>

#include "files/LoadFileViewController.h"
#include "lookup/GeoRouteConnection.h"
#include "lookup/GeoSearchConnection.h"
#include "measure/PathEditor.h"
#include "platform/ads/ADBannerView.h"
#include "platform/map/MKAnnotationView.h"
#include "platform/map/MKMapView.h"
#include "platform/map/MKMapViewPresentation.h"
#include "platform/map/MKOverlayView.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UISearchBar.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UIViewController.h"

namespace tessaly {

// What the main interface description connects to the map screen before its view loads.
struct MapScreenOutlets {
  std::shared_ptr<platform::UIView> view;  // holds the map view and the search bar
  std::shared_ptr<platform::MKMapView> mapView;
  std::shared_ptr<platform::UISearchBar> searchBar;
  std::unique_ptr<platform::UISearchDisplayController> searchDisplayController;
  // Ten items: command buttons at 0, 2, 4, 5, 7, 9 (tags 1 to 6), spacers at 1, 3, 6, 8.
  platform::UIBarButtonItems toolbarItems;
};

class MapViewController : public platform::UIViewController,
                          public platform::MKMapViewDelegate,
                          public platform::ADBannerViewDelegate,
                          public platform::UISearchBarDelegate,
                          public platform::UISearchDisplayDelegate,
                          public platform::UITableViewDataSource,
                          public platform::UITableViewDelegate,
                          public platform::UIActionSheetDelegate,
                          public platform::UIAlertViewDelegate,
                          public LoadFileViewControllerDelegate,
                          public GeoSearchConnectionDelegate,
                          public GeoRouteConnectionDelegate {
 public:
  static constexpr const char* kPinReuseIdentifier = "PontoAnnotationIdentifier";
  static constexpr const char* kUserLocationSubtitle = "Tap disclosure to add to path";
  static constexpr int kUserLocationButtonTag = 2;
  static constexpr float kPathLineAlpha = 0.6f;
  static constexpr std::size_t kToolbarItemsFromInterface = 10;
  static constexpr int kRouteSheetTag = 3;
  static constexpr const char* kRouteSheetTitle = "Route type";
  static constexpr const char* kResultCellIdentifier = "CellIdentifier";
  // A picked search result is shown this many metres across.
  static constexpr double kSearchResultRegionMeters = 1000;

  MapViewController();
  ~MapViewController() override;
  std::string kind() const override { return "mapScreen"; }

  // The main interface connects its objects here (before the view loads).
  void connectOutlets(MapScreenOutlets outlets);

  const std::shared_ptr<platform::MKMapView>& mapView() const { return _mapView; }
  const std::shared_ptr<platform::UISearchBar>& searchBar() const { return _searchBar; }
  const std::shared_ptr<platform::UILabel>& statusLabel() const { return _status; }
  // The path, in order of addition (empty before the view loads and after it unloads).
  const std::vector<PathEditor::Entry>& pathArray() const;
  PathEditor* pathEditor() const { return _path.get(); }
  bool userLocationUpdated() const { return _userlocationupdated != 0; }
  std::int32_t filemode() const { return _filemode; }

  // Busy: while the search display is active or a route request runs; most commands wait.
  bool isSearching() const;
  bool isRouteRequestRunning() const;
  // The route request sets this when it starts and when it ends; the toolbar follows.
  void setRouteRequestRunning(bool running);
  bool isBusy() const { return isSearching() || isRouteRequestRunning(); }

  // --- View life cycle and rotation ---
  void loadView() override;
  void viewDidLoad() override;
  void viewDidUnload() override;
  void didReceiveMemoryWarning() override {}
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  bool shouldAutorotateToInterfaceOrientation(int orientation) override;
  bool shouldAutorotate() override { return true; }
  unsigned supportedInterfaceOrientations() override;
  void willRotateToInterfaceOrientation(int orientation, double duration) override;
  void willAnimateRotationToInterfaceOrientation(int orientation, double duration) override;
  void didRotateFromInterfaceOrientation(int fromOrientation) override;

  // --- Set-up, settings, toolbar, alerts ---
  void settingsChangedNotification();
  // The user's position changed: centres the map on it the first time it is in view.
  void observeUserLocation();
  void setTabBarButtons();
  void updateToolbarButtons();
  void gotoLocation();
  // Open the settings screen and the help page: a form sheet on a tablet, pushed on a phone.
  void settingsButton();
  void infoButton();
  void showWeb();
  // Alerts titled "Error" and "Info" (localized) with the message and one "OK" button.
  void showError(const std::string& message) override;
  void showInfo(const std::string& message) override;

  // --- The path (measure/PathEditor) ---
  PathEditor::Marker addMapPoint(const PathEditor::Entry& entry);
  void didTapMap(platform::UIGestureRecognizer* recognizer);
  void updateStatus();
  void refreshPolyLine();
  void clearAction();
  void undoAction();
  void closeAction();
  void removeAllPolylineOverlays();
  void removeAllPontoAnnotations();

  // --- Route files (files/) ---
  static constexpr int kLoadSaveSheetTag = 2;
  static constexpr int kFileNamePromptTag = 2;
  // The buttons of the Load/Save sheet (the toolbar's file button, tag 1, shows it).
  void loadSaveSheetClickedButtonAtIndex(int buttonIndex);
  void alertViewClickedButtonAtIndex(platform::UIAlertView* alertView, int buttonIndex) override;
  // Writes the path as the document of _filemode into stream (neither flushed nor closed).
  void writeFile(std::FILE* stream);
  // Opens the file browser: a form sheet on a tablet, pushed on a phone (on a later turn).
  void openFileBrowser();
  void loadFileController(const std::shared_ptr<LoadFileViewController>& controller);
  // The route-result handler as the file browser reaches it: replaces the path with entries.
  void didLoadRouteFile(const RouteFileReader::Entries& entries) override;

  // --- Commands: files, routes and address search (lookup/) ---
  void saveAction();
  // Asks "Driving" or "Walking" in the route sheet (tag 3).
  void routeAction();
  void searchAction();
  void actionSheetClickedButtonAtIndex(platform::UIActionSheet* actionSheet,
                                       int buttonIndex) override;

  // The screen's request objects, made on first use; null before.
  GeoSearchConnection* geoSearchConnection() const { return _geoSearchConnection.get(); }
  GeoRouteConnection* geoRouteConnection() const { return _geoRouteConnection.get(); }
  // The results in the table; absent before the first answer with results.
  const std::optional<std::vector<PathEditor::Entry>>& geoSearchResults() const {
    return _geoSearchResults;
  }
  void geoSearchConnectionDidFinishLoadingWithGeoLocalObjects(
      GeoSearchConnection* connection, const std::vector<PathEditor::Entry>& results) override;
  void geoSearchConnectionDidFailWithError(GeoSearchConnection* connection,
                                           const std::string& message) override;
  // A route arrived (or a route file was loaded; the connection is then null): it replaces the
  // path, thinned when very long, and the map shows all its markers.
  void geoRouteConnectionDidFinishLoadingWithGeoLocalObjects(
      GeoRouteConnection* connection, const std::vector<PathEditor::Entry>& entries) override;
  void geoRouteConnectionDidFailWithError(GeoRouteConnection* connection,
                                          const std::string& message) override;

  // --- Map presentation ---
  std::shared_ptr<platform::MKAnnotationView> mapViewViewForAnnotation(
      platform::MKMapView* mapView,
      const std::shared_ptr<platform::MKAnnotation>& annotation) override;
  std::shared_ptr<platform::MKOverlayView> mapViewViewForOverlay(
      platform::MKMapView* mapView, const std::shared_ptr<platform::MKOverlay>& overlay) override;
  void mapViewDidSelectAnnotationView(platform::MKMapView* mapView,
                                      platform::MKAnnotationView* view) override;
  void mapViewAnnotationViewCalloutAccessoryControlTapped(platform::MKMapView* mapView,
                                                          platform::MKAnnotationView* view,
                                                          platform::UIControl* control) override;
  void mapViewRegionWillChangeAnimated(platform::MKMapView*, bool) override {}
  void mapViewDidFailLoadingMapWithError(platform::MKMapView* mapView,
                                         const platform::NSError& error) override;
  void mapViewDidFailToLocateUserWithError(platform::MKMapView* mapView,
                                           const platform::NSError& error) override;
  // The callout button of the user's position: adds that position to the path.
  void showDetails();
  // The region that shows every marker, fitted to the map view; all zeros without a map view.
  platform::MKCoordinateRegion getRegionForAllAnnotations() const;

  // --- Layout and banner ---
  void layoutForCurrentOrientation(bool animated);
  // On a phone: both bars shown upright, hidden turned (the map takes the whole screen).
  void showPhoneBarsFor(int orientation);
  void bannerViewDidLoadAd(platform::ADBannerView* banner) override;
  void bannerViewDidFailToReceiveAdWithError(platform::ADBannerView* banner,
                                             const platform::NSError& error) override;
  bool bannerViewActionShouldBeginWillLeaveApplication(platform::ADBannerView* banner,
                                                       bool willLeave) override;
  void bannerViewActionDidFinish(platform::ADBannerView* banner) override;

  // --- Search bar and search display ---
  bool searchBarShouldBeginEditing(platform::UISearchBar*) override { return true; }
  bool searchBarShouldEndEditing(platform::UISearchBar* searchBar) override;
  void searchBarSearchButtonClicked(platform::UISearchBar* searchBar) override;
  void searchBarCancelButtonClicked(platform::UISearchBar* searchBar) override;
  bool searchDisplayControllerShouldReloadTableForSearchString(platform::UISearchDisplayController*,
                                                               const std::string&) override {
    return false;
  }
  bool searchDisplayControllerShouldReloadTableForSearchScope(platform::UISearchDisplayController*,
                                                              int) override {
    return false;
  }
  int tableViewNumberOfRowsInSection(platform::UITableView* tableView, int section) override;
  std::shared_ptr<platform::UITableViewCell> tableViewCellForRowAtIndexPath(
      platform::UITableView* tableView, const platform::NSIndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(platform::UITableView* tableView,
                                        const platform::NSIndexPath& indexPath) override;

 private:
  void showAlert(const std::string& titleKey, const std::string& titleDefault,
                 const std::string& message);
  void applyMapType();
  void detachFromApplication();
  // A form sheet in a new navigation controller on a tablet; on a phone pushed, toolbar hidden.
  void showSecondaryScreen(const std::shared_ptr<platform::UIViewController>& screen);
  platform::UINavigationController* navigation() const;

  MapScreenOutlets _outlets;
  std::shared_ptr<platform::MKMapView> _mapView;
  std::shared_ptr<platform::UISearchBar> _searchBar;
  std::unique_ptr<platform::UISearchDisplayController> _searchDisplay;
  std::unique_ptr<PathEditor> _path;
  std::shared_ptr<platform::UILabel> _status;
  std::shared_ptr<platform::UILongPressGestureRecognizer> _longPress;
  std::shared_ptr<platform::ADBannerView> _banner;  // lent by the application delegate
  std::optional<platform::MKUserLocation::ObserverId> _userLocationObserver;
  std::int32_t _userlocationupdated = 0;
  std::int32_t _filemode = 0;
  bool _routeRequestRunning = false;
  std::unique_ptr<GeoSearchConnection> _geoSearchConnection;
  std::unique_ptr<GeoRouteConnection> _geoRouteConnection;
  std::optional<std::vector<PathEditor::Entry>> _geoSearchResults;
  bool _observingSettings = false;
};

}  // namespace tessaly

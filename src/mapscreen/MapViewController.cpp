#include "mapscreen/MapViewController.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "appdata/AppData.h"
#include "files/RouteFileStore.h"
#include "files/RouteFileWriter.h"
#include "help/WebViewController.h"
#include "lookup/LookupServices.h"
#include "lookup/RouteThinning.h"
#include "mapscreen/AdBannerOwner.h"
#include "mapscreen/MapLayout.h"
#include "mapscreen/MarkerRegion.h"
#include "mapscreen/ToolbarRules.h"
#include "measure/PontoAnnotation.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/NumberFormatter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/map/MKPolyline.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIDevice.h"
#include "platform/ui/UINavigationController.h"
#include "settings/SettingsViewController.h"

namespace tessaly {

namespace p = tessaly::platform;

namespace {

bool isTablet() {
  return p::UIDevice::currentDevice().userInterfaceIdiom() == p::UIUserInterfaceIdiomPad;
}

const std::vector<PathEditor::Entry> kNoPath;
constexpr double kWorldLatitudeSpan = 180;
constexpr double kWorldLongitudeSpan = 360;

}  // namespace

std::shared_ptr<p::ADBannerView> applicationAdBanner() {
  auto* owner = dynamic_cast<AdBannerOwner*>(p::UIApplication::sharedApplication().delegate());
  return owner != nullptr ? owner->adBanner() : nullptr;
}

MapViewController::MapViewController() = default;

MapViewController::~MapViewController() {
  detachFromApplication();
}

void MapViewController::detachFromApplication() {
  if (_banner) {
    if (_banner->delegate() == this) _banner->setDelegate(nullptr);
    _banner->removeFromSuperview();
    _banner.reset();
  }
  if (_observingSettings) {
    p::NotificationCenter::defaultCenter().removeObserver(this);
    _observingSettings = false;
  }
  if (_mapView && _userLocationObserver) {
    _mapView->userLocation()->removeLocationObserver(*_userLocationObserver);
    _userLocationObserver.reset();
  }
  if (_mapView && _mapView->delegate() == this) _mapView->setDelegate(nullptr);
}

void MapViewController::connectOutlets(MapScreenOutlets outlets) {
  _mapView = outlets.mapView;
  _searchBar = outlets.searchBar;
  _searchDisplay = std::move(outlets.searchDisplayController);
  if (_mapView) _mapView->setDelegate(this);
  if (_searchBar) _searchBar->setDelegate(this);
  if (_searchDisplay) {
    _searchDisplay->setDelegate(this);
    _searchDisplay->setSearchResultsDataSource(this);
    _searchDisplay->setSearchResultsDelegate(this);
  }
  setToolbarItems(outlets.toolbarItems);
  _outlets = std::move(outlets);
}

const std::vector<PathEditor::Entry>& MapViewController::pathArray() const {
  return _path ? _path->pathArray() : kNoPath;
}

p::UINavigationController* MapViewController::navigation() const {
  return navigationController();
}

bool MapViewController::isSearching() const {
  return _searchDisplay && _searchDisplay->isActive();
}

bool MapViewController::isRouteRequestRunning() const {
  return _routeRequestRunning || (_geoRouteConnection && _geoRouteConnection->connectionIsActive());
}

void MapViewController::setRouteRequestRunning(bool running) {
  _routeRequestRunning = running;
  updateToolbarButtons();
}

// --- View life cycle -------------------------------------------------------------------------

void MapViewController::loadView() {
  if (_outlets.view)
    setView(_outlets.view);
  else
    UIViewController::loadView();
}

void MapViewController::viewDidLoad() {
  std::weak_ptr<p::UIViewController> weakSelf = weak_from_this();
  auto later = [weakSelf](void (MapViewController::*method)()) {
    return [weakSelf, method](auto*) {
      if (auto self = weakSelf.lock()) (static_cast<MapViewController&>(*self).*method)();
    };
  };

  // Room for the toolbar below the map.
  if (_mapView) {
    p::CGRect frame = _mapView->frame();
    frame.size.height -= kMapLayoutToolbarAllowance;
    _mapView->setFrame(frame);
    _mapView->setBounds(frame);
  }
  _userlocationupdated = 0;
  // The screen must not dim or lock while the user measures.
  p::UIApplication::sharedApplication().setIdleTimerDisabled(true);
  if (_searchDisplay) _searchDisplay->setActive(false, false);

  _banner = applicationAdBanner();
  if (_banner) {
    _banner->setDelegate(this);
    view()->addSubview(_banner);
  }
  if (_searchBar) {
    _searchBar->setTranslucent(true);
    _searchBar->setAutocorrectionType(p::UITextAutocorrectionTypeNo);
  }

  p::NotificationCenter::defaultCenter().addObserver(
      this, kAppSettingsNotification,
      [this](const p::Notification&) { settingsChangedNotification(); });
  // The status line keeps its formatted text; the callouts format theirs when they are read.
  p::NotificationCenter::defaultCenter().addObserver(
      this, p::NSCurrentLocaleDidChangeNotification,
      [this](const p::Notification&) { updateStatus(); });
  _observingSettings = true;

  applyMapType();

  navigationItem().setBackBarButtonItem(
      std::make_shared<p::UIBarButtonItem>("Back", p::UIBarButtonItemStyleBordered));

  auto info = p::UIButton::buttonWithType(p::UIButtonTypeInfoLight);
  info->addTarget(later(&MapViewController::infoButton), p::UIControlEventTouchUpInside);
  navigationItem().setRightBarButtonItem(std::make_shared<p::UIBarButtonItem>(info));

  auto settings = p::UIButton::buttonWithType(p::UIButtonTypeCustom);
  settings->setFrame(p::CGRectMake(0, 0, 24, 24));
  settings->setBackgroundImage(p::UIImage::imageNamed("settings.png"), p::UIControlStateNormal);
  settings->setShowsTouchWhenHighlighted(true);
  settings->addTarget(later(&MapViewController::settingsButton), p::UIControlEventTouchUpInside);
  navigationItem().setLeftBarButtonItem(std::make_shared<p::UIBarButtonItem>(settings));

  _path = std::make_unique<PathEditor>(_mapView.get());
  _status = std::make_shared<p::UILabel>(isTablet() ? p::CGRectMake(0, 5, 260, 20)
                                                    : p::CGRectMake(0, 5, 60, 20));
  _status->setFont(p::UIFont::boldSystemFontOfSize(isTablet() ? 18 : 14));
  _status->setTextAlignment(p::NSTextAlignmentCenter);
  _status->setBackgroundColor(p::UIColor::clearColor());
  _status->setTextColor(p::UIColor::colorWithRedGreenBlueAlpha(1.0f, 1.0f, 1.0f, 1.0f));
  _path->setStatusSink([label = _status](const std::string& text) { label->setText(text); });
  _path->setIsTablet(isTablet);
  _path->setToolbarRefresh([weakSelf] {
    if (auto self = weakSelf.lock()) static_cast<MapViewController&>(*self).updateToolbarButtons();
  });

  if (_mapView) {
    _userLocationObserver = _mapView->userLocation()->addLocationObserver(
        [this](p::MKUserLocation&) { observeUserLocation(); });
    if (AppData::sharedInstance().currentlocation() != 0) _mapView->setShowsUserLocation(true);
    _longPress = std::make_shared<p::UILongPressGestureRecognizer>(
        [weakSelf](p::UIGestureRecognizer* recognizer) {
          if (auto self = weakSelf.lock())
            static_cast<MapViewController&>(*self).didTapMap(recognizer);
        });
    _mapView->addGestureRecognizer(_longPress);
  }

  layoutForCurrentOrientation(false);
  gotoLocation();
}

void MapViewController::viewDidUnload() {
  detachFromApplication();
  _path.reset();
  _mapView.reset();
}

void MapViewController::viewWillAppear(bool /*animated*/) {}

void MapViewController::viewDidAppear(bool /*animated*/) {
  if (auto* nav = navigation()) nav->setToolbarHidden(false, false);
  // Back on a turned phone, the map has the whole screen again.
  showPhoneBarsFor(interfaceOrientation());
  setTabBarButtons();
  updateToolbarButtons();
  layoutForCurrentOrientation(false);
}

bool MapViewController::shouldAutorotateToInterfaceOrientation(int /*orientation*/) {
  return true;
}

unsigned MapViewController::supportedInterfaceOrientations() {
  return p::UIInterfaceOrientationMaskAll;
}

void MapViewController::viewWillDisappear(bool /*animated*/) {
  // The bars a turned phone hid are the map's own layout: a screen pushed over the map gets
  // its navigation bar, and with it its way back.
  if (auto* nav = navigation(); nav != nullptr && !isTablet())
    nav->setNavigationBarHidden(false, false);
}

void MapViewController::showPhoneBarsFor(int orientation) {
  // A turned phone gives the whole screen to the map.
  if (isTablet()) return;
  if (auto* nav = navigation()) {
    if (p::UIInterfaceOrientationIsPortrait(orientation)) {
      nav->setToolbarHidden(false, false);
      nav->setNavigationBarHidden(false, false);
    } else if (p::UIInterfaceOrientationIsLandscape(orientation)) {
      nav->setToolbarHidden(true, false);
      nav->setNavigationBarHidden(true, false);
    }
  }
}

void MapViewController::willRotateToInterfaceOrientation(int orientation, double /*duration*/) {
  showPhoneBarsFor(orientation);
  if (auto banner = applicationAdBanner())
    banner->setCurrentContentSizeIdentifier(p::UIInterfaceOrientationIsLandscape(orientation)
                                                ? p::ADBannerContentSizeIdentifier480x32
                                                : p::ADBannerContentSizeIdentifier320x50);
}

void MapViewController::willAnimateRotationToInterfaceOrientation(int /*orientation*/,
                                                                  double /*duration*/) {
  layoutForCurrentOrientation(true);
}

void MapViewController::didRotateFromInterfaceOrientation(int /*fromOrientation*/) {
  setTabBarButtons();
  layoutForCurrentOrientation(false);
}

// --- Settings, toolbar, alerts -----------------------------------------------------------------

void MapViewController::applyMapType() {
  if (!_mapView) return;
  // Only the three known map types; anything else in the file leaves the map as it is.
  switch (AppData::sharedInstance().maptype()) {
    case p::MKMapTypeStandard:
      if (_mapView->mapType() != p::MKMapTypeStandard) _mapView->setMapType(p::MKMapTypeStandard);
      break;
    case p::MKMapTypeSatellite:
      if (_mapView->mapType() != p::MKMapTypeSatellite) _mapView->setMapType(p::MKMapTypeSatellite);
      break;
    case p::MKMapTypeHybrid:
      if (_mapView->mapType() != p::MKMapTypeHybrid) _mapView->setMapType(p::MKMapTypeHybrid);
      break;
    default:
      break;
  }
}

void MapViewController::settingsChangedNotification() {
  applyMapType();
  updateStatus();
  if (!_mapView) return;
  // Close every marker's callout: its texts were made in the old unit.
  std::vector<p::MKMapView::AnnotationPtr> markers;
  for (const auto& annotation : _mapView->annotations())
    if (std::dynamic_pointer_cast<PontoAnnotation>(annotation)) markers.push_back(annotation);
  for (const auto& marker : markers) _mapView->deselectAnnotation(marker.get(), false);
  _mapView->setShowsUserLocation(AppData::sharedInstance().currentlocation() != 0);
}

void MapViewController::observeUserLocation() {
  if (!_mapView || !_mapView->isUserLocationVisible() || _userlocationupdated != 0) return;
  _userlocationupdated = 1;
  const auto& location = _mapView->userLocation()->location();
  if (!location) return;
  try {
    _mapView->setRegion(p::MKCoordinateRegionMakeWithDistance(location->coordinate, 1500, 1500),
                        true);
  } catch (const std::invalid_argument& e) {
    p::log(std::string("observeValueForKeyPath:ofObject:change:context: ") + e.what());
  }
}

void MapViewController::setTabBarButtons() {
  const p::UIBarButtonItems& items = toolbarItems();
  if (items.size() == kToolbarItemsFromInterface) {
    // The status label goes in the middle; the one spacer stands in at every gap.
    auto status = std::make_shared<p::UIBarButtonItem>(_status);
    setToolbarItems({items[0], items[1], items[2], items[1], items[4], status, items[5], items[1],
                     items[7], items[1], items[9]});
  } else if (items.size() > 5) {
    items[5]->setCustomView(_status);
  }
}

void MapViewController::updateToolbarButtons() {
  if (toolbarItems().size() == kToolbarItemsFromInterface) setTabBarButtons();
  ToolbarState state;
  state.entries = pathArray().size();
  state.searching = isSearching();
  state.routing = isRouteRequestRunning();
  state.endsDiffer = _path && _path->canClose();
  for (const auto& item : toolbarItems())
    if (auto enabled = toolbarItemEnabled(item->tag(), state)) item->setEnabled(*enabled);
  bool navEnabled = navigationButtonsEnabled(state);
  for (const auto& item :
       {navigationItem().leftBarButtonItem(), navigationItem().rightBarButtonItem()}) {
    if (!item) continue;
    item->setEnabled(navEnabled);
    if (auto control = std::dynamic_pointer_cast<p::UIControl>(item->customView()))
      control->setEnabled(navEnabled);
  }
}

void MapViewController::gotoLocation() {
  if (!_mapView) return;
  _mapView->setRegion(p::MKCoordinateRegionMake(p::CLLocationCoordinate2DMake(0, -40),
                                                p::MKCoordinateSpanMake(155, 177)),
                      true);
}

void MapViewController::settingsButton() {
  showSecondaryScreen(std::make_shared<SettingsViewController>());
}

void MapViewController::infoButton() {
  showWeb();
}

void MapViewController::showWeb() {
  showSecondaryScreen(std::make_shared<WebViewController>());
}

void MapViewController::showSecondaryScreen(const std::shared_ptr<p::UIViewController>& screen) {
  if (isTablet()) {
    auto nav = std::make_shared<p::UINavigationController>(screen);
    nav->setModalPresentationStyle(p::UIModalPresentationFormSheet);
    nav->setModalTransitionStyle(p::UIModalTransitionStyleCoverVertical);
    screen->setModalPresentationStyle(p::UIModalPresentationFormSheet);
    presentViewController(nav, true);
  } else if (p::UINavigationController* nav = navigation()) {
    nav->setToolbarHidden(true, false);
    nav->pushViewController(screen, true);
  }
}

void MapViewController::showAlert(const std::string& titleKey, const std::string& titleDefault,
                                  const std::string& message) {
  auto alert =
      std::make_shared<p::UIAlertView>(p::NSLocalizedString(titleKey, titleDefault), message,
                                       nullptr, p::NSLocalizedString("kOK", "OK"));
  alert->show();
}

void MapViewController::showError(const std::string& message) {
  showAlert("kError", "Error", message);
}

void MapViewController::showInfo(const std::string& message) {
  showAlert("kInfo", "Info", message);
}

// --- The path ----------------------------------------------------------------------------------

PathEditor::Marker MapViewController::addMapPoint(const PathEditor::Entry& entry) {
  return _path ? _path->addMapPoint(entry) : nullptr;
}

void MapViewController::didTapMap(p::UIGestureRecognizer* recognizer) {
  if (!_path || recognizer == nullptr || !_mapView) return;
  _path->didTapMap(recognizer->state(), recognizer->locationInView(_mapView.get()));
}

void MapViewController::updateStatus() {
  if (_path) _path->updateStatus();
}

void MapViewController::refreshPolyLine() {
  if (_path) _path->refreshPolyLine();
}

void MapViewController::clearAction() {
  if (_path) _path->clearAction();
}

void MapViewController::undoAction() {
  if (_path) _path->undoAction();
}

void MapViewController::closeAction() {
  if (_path) _path->closeAction();
}

void MapViewController::removeAllPolylineOverlays() {
  if (_path) _path->removeAllPolylineOverlays();
}

void MapViewController::removeAllPontoAnnotations() {
  if (_path) _path->removeAllPontoAnnotations();
}

// --- Route files ---------------------------------------------------------------------------------

void MapViewController::saveAction() {
  auto sheet = std::make_shared<p::UIActionSheet>(
      "Load/Save file", this, p::NSLocalizedString("kCancel", "Cancel"), "",
      std::vector<std::string>{"Load file", "Save generic XML format", "Save in KML format"});
  sheet->setTag(kLoadSaveSheetTag);
  sheet->setActionSheetStyle(p::UIActionSheetStyleBlackTranslucent);
  std::shared_ptr<p::UIBarButtonItem> fileButton;
  for (const auto& item : toolbarItems())
    if (item->tag() == 1) fileButton = item;
  if (isTablet() && fileButton) {
    sheet->showFromBarButtonItem(fileButton, true);
  } else {
    sheet->showInView(view().get());
  }
}

void MapViewController::loadSaveSheetClickedButtonAtIndex(int buttonIndex) {
  if (buttonIndex == 0) {
    openFileBrowser();
    return;
  }
  if (buttonIndex != RouteFileWriter::kModeXML && buttonIndex != RouteFileWriter::kModeKML) return;
  if (pathArray().empty()) {
    showInfo("There are no markers to be saved.");
    return;
  }
  _filemode = buttonIndex;
  auto prompt = std::make_shared<p::UIAlertView>(
      buttonIndex == RouteFileWriter::kModeXML ? "Save XML" : "Save KML",
      isTablet() ? "\n\n" : "\n", this, "Cancel", std::vector<std::string>{"Save"});
  prompt->setAlertViewStyle(p::UIAlertViewStylePlainTextInput);
  prompt->textFieldAtIndex(0)->setPlaceholder("<filename>");
  prompt->setTag(kFileNamePromptTag);
  prompt->show();
}

void MapViewController::alertViewClickedButtonAtIndex(p::UIAlertView* alertView, int buttonIndex) {
  if (alertView == nullptr || alertView->tag() != kFileNamePromptTag || buttonIndex != 1) return;
  std::optional<std::string> name;
  if (alertView->numberOfTextFields() > 0) name = alertView->textFieldAtIndex(0)->text();
  RouteFileStore::SaveOutcome outcome = RouteFileStore::save(name, _filemode, pathArray());
  if (outcome.saved) {
    showInfo(outcome.message);
  } else {
    showError(outcome.message);
  }
}

void MapViewController::writeFile(std::FILE* stream) {
  RouteFileWriter::writeFile(stream, _filemode, pathArray());
}

void MapViewController::openFileBrowser() {
  auto browser = std::make_shared<LoadFileViewController>();
  browser->setDelegate(this);
  if (isTablet()) {
    auto nav = std::make_shared<p::UINavigationController>(browser);
    nav->setModalPresentationStyle(p::UIModalPresentationFormSheet);
    nav->setModalTransitionStyle(p::UIModalTransitionStyleCoverVertical);
    browser->setModalPresentationStyle(p::UIModalPresentationFormSheet);
    presentViewController(nav, true);
    browser->loadFiles();
  } else {
    // After the sheet's handler has returned, on a later turn of the run loop.
    std::weak_ptr<UIViewController> self = weak_from_this();
    p::RunLoop::main().schedule(0, [self, browser] {
      if (auto screen = std::dynamic_pointer_cast<MapViewController>(self.lock()))
        screen->loadFileController(browser);
    });
  }
}

void MapViewController::loadFileController(
    const std::shared_ptr<LoadFileViewController>& controller) {
  p::UINavigationController* nav = navigation();
  if (nav == nullptr || !controller) return;
  nav->setToolbarHidden(true, false);
  nav->pushViewController(controller, true);
  controller->loadFiles();
}

void MapViewController::didLoadRouteFile(const RouteFileReader::Entries& entries) {
  geoRouteConnectionDidFinishLoadingWithGeoLocalObjects(nullptr, entries);
}

void MapViewController::routeAction() {
  auto sheet = std::make_shared<p::UIActionSheet>(kRouteSheetTitle, this,
                                                  p::NSLocalizedString("kCancel", "Cancel"), "",
                                                  std::vector<std::string>{"Driving", "Walking"});
  sheet->setTag(kRouteSheetTag);
  sheet->setActionSheetStyle(p::UIActionSheetStyleBlackTranslucent);
  std::shared_ptr<p::UIBarButtonItem> routeItem;
  for (const auto& item : toolbarItems())
    if (item->tag() == kToolbarRoute) routeItem = item;
  if (isTablet() && routeItem)
    sheet->showFromBarButtonItem(routeItem, true);
  else
    sheet->showInView(view().get());
}

void MapViewController::actionSheetClickedButtonAtIndex(p::UIActionSheet* actionSheet,
                                                        int buttonIndex) {
  if (actionSheet != nullptr && actionSheet->tag() == kLoadSaveSheetTag) {
    loadSaveSheetClickedButtonAtIndex(buttonIndex);
    return;
  }
  if (actionSheet == nullptr || actionSheet->tag() != kRouteSheetTag) return;
  if (buttonIndex == 2) return;
  if (!_geoRouteConnection) _geoRouteConnection = GeoRouteConnection::initWithDelegate(this);
  auto& application = p::UIApplication::sharedApplication();
  application.setNetworkActivityIndicatorVisible(true);
  _geoRouteConnection->getGeoObjectsWithPointsAndModeAndReferer(
      pathArray(), buttonIndex == 0 ? "driving" : "walking", LookupServices::kReferer);
  // A request that could not be made hears nothing back: nothing is running.
  if (!_geoRouteConnection->connectionIsActive())
    application.setNetworkActivityIndicatorVisible(false);
  updateToolbarButtons();
}

void MapViewController::geoRouteConnectionDidFinishLoadingWithGeoLocalObjects(
    GeoRouteConnection* /*connection*/, const std::vector<PathEditor::Entry>& entries) {
  p::UIApplication::sharedApplication().setNetworkActivityIndicatorVisible(false);
  if (entries.empty()) {
    showError("Not found");
    updateToolbarButtons();
    return;
  }
  clearAction();
  std::vector<PathEditor::Entry> route = entries;
  if (route.size() > kRouteThinningLimit) thinRoute(route);
  for (const auto& entry : route) addMapPoint(entry);
  if (_mapView) _mapView->setRegion(getRegionForAllAnnotations(), true);
  updateToolbarButtons();
}

void MapViewController::geoRouteConnectionDidFailWithError(GeoRouteConnection* /*connection*/,
                                                           const std::string& message) {
  p::UIApplication::sharedApplication().setNetworkActivityIndicatorVisible(false);
  showError(message);
  updateToolbarButtons();
}

void MapViewController::searchAction() {
  if (_searchDisplay && _searchBar) {
    if (_searchDisplay->isActive()) {
      _searchBar->setHidden(true);
      _searchDisplay->setActive(false, true);
    } else {
      _searchBar->setHidden(false);
      _searchDisplay->setActive(true, true);
      _searchBar->becomeFirstResponder();
      // The first opening puts the result table on the view at the full height below the bar;
      // the layout gives it the height that leaves room for the toolbar and a loaded banner.
      layoutForCurrentOrientation(false);
    }
  }
  updateToolbarButtons();
}

// --- Search bar --------------------------------------------------------------------------------

bool MapViewController::searchBarShouldEndEditing(p::UISearchBar* searchBar) {
  if (searchBar != nullptr && !isSearching()) searchBar->setHidden(true);
  updateToolbarButtons();
  layoutForCurrentOrientation(false);
  return true;
}

void MapViewController::searchBarSearchButtonClicked(p::UISearchBar* searchBar) {
  if (!_geoSearchConnection) _geoSearchConnection = GeoSearchConnection::initWithDelegate(this);
  auto& application = p::UIApplication::sharedApplication();
  application.setNetworkActivityIndicatorVisible(true);
  const std::string& query = searchBar != nullptr ? searchBar->text()
                             : _searchBar         ? _searchBar->text()
                                                  : std::string();
  _geoSearchConnection->getGeoObjectsWithQueryAndReferer(query, LookupServices::kReferer);
  // A request that could not be made hears nothing back: nothing is running.
  if (!_geoSearchConnection->connectionIsActive())
    application.setNetworkActivityIndicatorVisible(false);
}

void MapViewController::geoSearchConnectionDidFinishLoadingWithGeoLocalObjects(
    GeoSearchConnection* /*connection*/, const std::vector<PathEditor::Entry>& results) {
  p::UIApplication::sharedApplication().setNetworkActivityIndicatorVisible(false);
  if (results.empty()) {
    showError("Not found");
    return;
  }
  _geoSearchResults = results;
  if (_searchDisplay) _searchDisplay->searchResultsTableView()->reloadData();
}

void MapViewController::geoSearchConnectionDidFailWithError(GeoSearchConnection* /*connection*/,
                                                            const std::string& message) {
  p::UIApplication::sharedApplication().setNetworkActivityIndicatorVisible(false);
  showError(message);
}

void MapViewController::searchBarCancelButtonClicked(p::UISearchBar* searchBar) {
  if (searchBar != nullptr) searchBar->setHidden(true);
  // The bar's Cancel ends the search as the display controller would; without this the screen
  // would stay busy with every command disabled.
  if (_searchDisplay && _searchDisplay->isActive()) _searchDisplay->setActive(false, true);
  updateToolbarButtons();
  layoutForCurrentOrientation(false);
}

int MapViewController::tableViewNumberOfRowsInSection(p::UITableView* /*tableView*/,
                                                      int /*section*/) {
  return _geoSearchResults ? static_cast<int>(_geoSearchResults->size()) : 0;
}

std::shared_ptr<p::UITableViewCell> MapViewController::tableViewCellForRowAtIndexPath(
    p::UITableView* tableView, const p::NSIndexPath& indexPath) {
  std::shared_ptr<p::UITableViewCell> cell =
      tableView != nullptr ? tableView->dequeueReusableCellWithIdentifier(kResultCellIdentifier)
                           : nullptr;
  if (!cell)
    cell =
        std::make_shared<p::UITableViewCell>(p::UITableViewCellStyleDefault, kResultCellIdentifier);
  cell->textLabel()->setFont(p::UIFont::systemFontOfSize(p::UIFont::smallSystemFontSize()));
  std::string text;
  if (_geoSearchResults && indexPath.row >= 0 &&
      static_cast<std::size_t>(indexPath.row) < _geoSearchResults->size())
    text = (*_geoSearchResults)[static_cast<std::size_t>(indexPath.row)]->address().value_or("");
  cell->textLabel()->setText(text);
  return cell;
}

void MapViewController::tableViewDidSelectRowAtIndexPath(p::UITableView* /*tableView*/,
                                                         const p::NSIndexPath& indexPath) {
  if (!_geoSearchResults || indexPath.row < 0 ||
      static_cast<std::size_t>(indexPath.row) >= _geoSearchResults->size())
    return;
  // The result itself goes into the path, shared with the list.
  PathEditor::Entry result = (*_geoSearchResults)[static_cast<std::size_t>(indexPath.row)];
  searchAction();
  if (_mapView) {
    try {
      _mapView->setRegion(
          p::MKCoordinateRegionMakeWithDistance(result->coordinate(), kSearchResultRegionMeters,
                                                kSearchResultRegionMeters),
          true);
    } catch (const std::invalid_argument& e) {
      // A service may send a place off the globe; the map keeps its region.
      p::log(std::string("tableView:didSelectRowAtIndexPath: ") + e.what());
    }
  }
  updateToolbarButtons();
  addMapPoint(result);
  layoutForCurrentOrientation(false);
}

// --- Map presentation --------------------------------------------------------------------------

std::shared_ptr<p::MKAnnotationView> MapViewController::mapViewViewForAnnotation(
    p::MKMapView* mapView, const std::shared_ptr<p::MKAnnotation>& annotation) {
  if (auto user = std::dynamic_pointer_cast<p::MKUserLocation>(annotation)) {
    user->setSubtitle(kUserLocationSubtitle);
    return nullptr;  // the map's standard mark
  }
  auto marker = std::dynamic_pointer_cast<PontoAnnotation>(annotation);
  if (!marker || mapView == nullptr) return nullptr;
  auto color =
      marker->type() == kCoordStart ? p::MKPinAnnotationColorGreen : p::MKPinAnnotationColorPurple;
  // A recycled pin may have been another marker's: only its colour needs setting.
  if (auto reused = std::dynamic_pointer_cast<p::MKPinAnnotationView>(
          mapView->dequeueReusableAnnotationViewWithIdentifier(kPinReuseIdentifier))) {
    reused->setPinColor(color);
    return reused;
  }
  auto pin = std::make_shared<p::MKPinAnnotationView>(annotation, kPinReuseIdentifier);
  pin->setCanShowCallout(true);
  pin->setPinColor(p::MKPinAnnotationColorPurple);
  pin->setAnimatesDrop(true);
  if (marker->type() == kCoordStart) pin->setPinColor(p::MKPinAnnotationColorGreen);
  return pin;
}

std::shared_ptr<p::MKOverlayView> MapViewController::mapViewViewForOverlay(
    p::MKMapView* /*mapView*/, const std::shared_ptr<p::MKOverlay>& overlay) {
  auto polyline = std::dynamic_pointer_cast<p::MKPolyline>(overlay);
  if (!polyline) return nullptr;
  auto line = std::make_shared<p::MKPolylineView>(polyline);
  line->setFillColor(p::UIColor::blackColor());
  line->setStrokeColor(p::UIColor::blackColor());
  line->setAlpha(kPathLineAlpha);
  return line;
}

void MapViewController::mapViewDidSelectAnnotationView(p::MKMapView* /*mapView*/,
                                                       p::MKAnnotationView* view) {
  if (view == nullptr || std::dynamic_pointer_cast<PontoAnnotation>(view->annotation())) return;
  // The user's position: a fresh disclosure button that adds it to the path.
  auto button = p::UIButton::buttonWithType(p::UIButtonTypeDetailDisclosure);
  button->setTag(kUserLocationButtonTag);
  std::weak_ptr<p::UIViewController> weakSelf = weak_from_this();
  button->addTarget(
      [weakSelf](p::UIControl*) {
        if (auto self = weakSelf.lock()) static_cast<MapViewController&>(*self).showDetails();
      },
      p::UIControlEventTouchUpInside);
  view->setRightCalloutAccessoryView(button);
}

void MapViewController::mapViewAnnotationViewCalloutAccessoryControlTapped(p::MKMapView*,
                                                                           p::MKAnnotationView*,
                                                                           p::UIControl*) {}

void MapViewController::showDetails() {
  if (!_mapView || !_path) return;
  const auto& user = _mapView->userLocation();
  // Without a known position there is nothing to add (it would land at 0°, 0°).
  if (const auto& location = user->location()) {
    auto entry = std::make_shared<CoordData>(pathArray().empty() ? kCoordStart : kCoordMarker,
                                             location->coordinate);
    addMapPoint(entry);
  }
  _mapView->deselectAnnotation(user.get(), true);
}

void MapViewController::mapViewDidFailLoadingMapWithError(p::MKMapView* /*mapView*/,
                                                          const p::NSError& error) {
  p::log("mapViewDidFailLoadingMap:withError: " + error.description());
  showError(error.localizedDescription);
}

void MapViewController::mapViewDidFailToLocateUserWithError(p::MKMapView* /*mapView*/,
                                                            const p::NSError& error) {
  p::log("mapView:didFailToLocateUserWithError: " + error.description());
  showError(error.localizedDescription);
}

p::MKCoordinateRegion MapViewController::getRegionForAllAnnotations() const {
  if (!_mapView) return {};
  std::vector<p::CLLocationCoordinate2D> coordinates;
  for (const auto& annotation : _mapView->annotations())
    if (std::dynamic_pointer_cast<PontoAnnotation>(annotation))
      coordinates.push_back(annotation->coordinate());
  p::MKCoordinateRegion region = regionForMarkerCoordinates(coordinates);
  // With no markers, or markers on both sides of the 180° meridian, the box with its margin is
  // wider than the world; the map refuses such a region, so cut it to the whole world.
  region.span.latitudeDelta = std::min(region.span.latitudeDelta, kWorldLatitudeSpan);
  region.span.longitudeDelta = std::min(region.span.longitudeDelta, kWorldLongitudeSpan);
  return _mapView->regionThatFits(region);
}

// --- Layout and banner -------------------------------------------------------------------------

void MapViewController::layoutForCurrentOrientation(bool animated) {
  auto banner = applicationAdBanner();
  if (!banner || !isViewLoaded()) return;
  const auto& screenView = view();
  p::UINavigationController* nav = navigation();
  std::shared_ptr<p::UIToolbar> toolbar = nav != nullptr ? nav->toolbar() : nullptr;
  std::shared_ptr<p::UITableView> table =
      _searchDisplay ? _searchDisplay->searchResultsTableView() : nullptr;

  int orientation = interfaceOrientation();
  bool landscape = orientation == 3 || orientation == 4;
  p::CGRect screen = p::UIScreen::mainScreen().bounds();
  p::CGRect viewBounds = screenView->bounds();
  p::CGRect mapBounds = _mapView ? _mapView->bounds() : p::CGRectZero;
  p::CGRect toolbarFrame = toolbar ? toolbar->frame() : p::CGRectZero;
  p::CGRect tableFrame = table ? table->frame() : p::CGRectZero;

  banner->setCurrentContentSizeIdentifier(landscape ? p::ADBannerContentSizeIdentifierLandscape
                                                    : p::ADBannerContentSizeIdentifierPortrait);
  MapLayoutInput in;
  in.bannerLoaded = banner->isBannerLoaded();
  in.tablet = isTablet();
  in.landscape = landscape;
  in.viewHeight = viewBounds.size.height;
  in.bannerHeight = banner->bounds().size.height;
  in.toolbarHeight = toolbarFrame.size.height;
  in.screenWidth = screen.size.width;
  in.screenHeight = screen.size.height;
  in.currentTableHeight = tableFrame.size.height;
  in.currentToolbarTop = toolbarFrame.origin.y;
  MapLayoutFrames out = computeMapLayout(in);

  updateStatus();

  p::UIView::animateWithDuration(animated ? kMapLayoutAnimationDuration : 0.0, [&] {
    if (_mapView)
      _mapView->setFrame(p::CGRectMake(mapBounds.origin.x, mapBounds.origin.y, mapBounds.size.width,
                                       out.mapHeight));
    if (toolbar)
      toolbar->setFrame(p::CGRectMake(toolbarFrame.origin.x, out.toolbarTop,
                                      toolbarFrame.size.width, toolbarFrame.size.height));
    if (table)
      table->setFrame(p::CGRectMake(tableFrame.origin.x, tableFrame.origin.y, tableFrame.size.width,
                                    out.tableHeight));
    p::CGSize bannerSize = banner->frame().size;
    banner->setFrame(
        p::CGRectMake(viewBounds.origin.x, out.bannerTop, bannerSize.width, bannerSize.height));
    screenView->layoutIfNeeded();
  });
}

void MapViewController::bannerViewDidLoadAd(p::ADBannerView* /*banner*/) {
  layoutForCurrentOrientation(true);
}

void MapViewController::bannerViewDidFailToReceiveAdWithError(p::ADBannerView* /*banner*/,
                                                              const p::NSError& /*error*/) {
  layoutForCurrentOrientation(true);
}

bool MapViewController::bannerViewActionShouldBeginWillLeaveApplication(p::ADBannerView* /*banner*/,
                                                                        bool /*willLeave*/) {
  if (_mapView) _mapView->setShowsUserLocation(false);
  return true;
}

void MapViewController::bannerViewActionDidFinish(p::ADBannerView* /*banner*/) {
  if (_mapView && AppData::sharedInstance().currentlocation() != 0)
    _mapView->setShowsUserLocation(true);
}

}  // namespace tessaly

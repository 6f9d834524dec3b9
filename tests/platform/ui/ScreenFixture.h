#pragma once
// A screen built only of platform objects that shows one of every kind a description knows: a
// navigation controller with bar items and a toolbar, a top screen holding controls, a table, a
// search bar, a web page, a map with a pin, a line and another overlay, and a banner. Tests
// describe it, touch it and check what each object did.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ads/ADBannerView.h"
#include "platform/foundation/ObjectIds.h"
#include "platform/map/MKMapView.h"
#include "platform/map/MKPolyline.h"
#include "platform/ui/DescriptionTree.h"
#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIActivityIndicatorView.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UIImageView.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UISearchBar.h"
#include "platform/ui/UISegmentedControl.h"
#include "platform/ui/UISwitch.h"
#include "platform/ui/UITableView.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UIWebView.h"
#include "platform/ui/UIWindow.h"

namespace tessaly::platform::testing {

struct Marker : MKAnnotation {
  CLLocationCoordinate2D at;
  explicit Marker(CLLocationCoordinate2D c) : at(c) {}
  CLLocationCoordinate2D coordinate() const override { return at; }
  std::string title() const override { return "Marker"; }
};

// An overlay of a kind the map draws with a plain overlay view.
struct Area : MKOverlay {
  CLLocationCoordinate2D coordinate() const override { return {43.73, 7.42}; }
  MKMapRect boundingMapRect() const override { return {{0, 0}, {10, 10}}; }
};

// Rows in sections; the first section's rows may be deleted. Hears the table and the map.
class FixtureModel : public UITableViewDataSource,
                     public UITableViewDelegate,
                     public MKMapViewDelegate,
                     public UISearchBarDelegate,
                     public UIWebViewDelegate,
                     public UIAlertViewDelegate,
                     public UIActionSheetDelegate,
                     public UITextFieldDelegate {
 public:
  std::vector<std::vector<std::string>> rows{{"Walk", "Ride"}, {"Help"}};
  std::shared_ptr<UISwitch> rowSwitch = std::make_shared<UISwitch>();
  std::shared_ptr<UISegmentedControl> rowSegments =
      std::make_shared<UISegmentedControl>(std::vector<std::string>{"km", "mi"});
  std::vector<std::string> heard;

  int numberOfSectionsInTableView(UITableView*) override { return static_cast<int>(rows.size()); }
  int tableViewNumberOfRowsInSection(UITableView*, int section) override {
    return static_cast<int>(rows.at(static_cast<std::size_t>(section)).size());
  }
  std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*,
                                                                  const NSIndexPath& at) override {
    auto cell = std::make_shared<UITableViewCell>(
        at.section == 0 ? UITableViewCellStyleDefault : UITableViewCellStyleValue1, "row");
    cell->textLabel()->setText(
        rows[static_cast<std::size_t>(at.section)][static_cast<std::size_t>(at.row)]);
    if (at.section == 0 && at.row == 0) cell->setAccessoryView(rowSwitch);
    if (at.section == 0 && at.row == 1) {
      rowSegments->setFrame(CGRectMake(150, 6, 100, 32));
      cell->contentView()->addSubview(rowSegments);
    }
    if (at.section == 1) {
      cell->detailTextLabel()->setText("read");
      cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    }
    return cell;
  }
  std::string tableViewTitleForHeaderInSection(UITableView*, int section) override {
    return section == 0 ? "Travel" : "";
  }
  std::string tableViewTitleForFooterInSection(UITableView*, int section) override {
    return section == 1 ? "More" : "";
  }
  bool tableViewCanEditRowAtIndexPath(UITableView*, const NSIndexPath& at) override {
    return at.section == 0;
  }
  void tableViewCommitEditingStyleForRowAtIndexPath(UITableView* table, UITableViewCellEditingStyle,
                                                    const NSIndexPath& at) override {
    auto& section = rows[static_cast<std::size_t>(at.section)];
    heard.push_back("delete " + section[static_cast<std::size_t>(at.row)]);
    section.erase(section.begin() + at.row);
    table->deleteRowsAtIndexPaths({at}, UITableViewRowAnimationFade);
  }
  void tableViewDidSelectRowAtIndexPath(UITableView*, const NSIndexPath& at) override {
    heard.push_back("select " + std::to_string(at.section) + "." + std::to_string(at.row));
  }

  std::shared_ptr<MKAnnotationView> mapViewViewForAnnotation(
      MKMapView*, const std::shared_ptr<MKAnnotation>& annotation) override {
    if (dynamic_cast<MKUserLocation*>(annotation.get())) return nullptr;
    auto pin = std::make_shared<MKPinAnnotationView>(annotation, "pin");
    pin->setPinColor(MKPinAnnotationColorGreen);
    pin->setCanShowCallout(true);
    auto button = UIButton::buttonWithType(UIButtonTypeDetailDisclosure);
    pin->setRightCalloutAccessoryView(button);
    return pin;
  }
  std::shared_ptr<MKOverlayView> mapViewViewForOverlay(
      MKMapView*, const std::shared_ptr<MKOverlay>& overlay) override {
    if (auto line = std::dynamic_pointer_cast<MKPolyline>(overlay)) {
      auto view = std::make_shared<MKPolylineView>(line);
      view->setStrokeColor(UIColor::colorWithRedGreenBlueAlpha(1, 0, 0, 0.5));
      return view;
    }
    return std::make_shared<MKOverlayView>(overlay);
  }
  void mapViewAnnotationViewCalloutAccessoryControlTapped(MKMapView*, MKAnnotationView*,
                                                          UIControl*) override {
    heard.push_back("callout");
  }

  void searchBarTextDidChange(UISearchBar*, const std::string& text) override {
    heard.push_back("search text " + text);
  }
  void searchBarSearchButtonClicked(UISearchBar*) override { heard.push_back("search"); }
  void searchBarCancelButtonClicked(UISearchBar*) override { heard.push_back("search cancel"); }

  bool webViewShouldStartLoadWithRequest(UIWebView*, const NSURLRequest& request,
                                         UIWebViewNavigationType type) override {
    if (type != UIWebViewNavigationTypeLinkClicked) return true;
    heard.push_back("link " + request.url());
    return request.url().rfind("mailto:", 0) != 0;
  }

  void alertViewClickedButtonAtIndex(UIAlertView* alert, int index) override {
    std::string text = alert->numberOfTextFields() > 0 ? alert->textFieldAtIndex(0)->text() : "";
    heard.push_back("alert " + std::to_string(index) + " " + text);
  }
  void actionSheetClickedButtonAtIndex(UIActionSheet*, int index) override {
    heard.push_back("sheet " + std::to_string(index));
  }
  bool textFieldShouldReturn(UITextField*) override {
    heard.push_back("return");
    return true;
  }
};

// The screen on top of the navigation controller.
class FixtureScreen : public UIViewController {
 public:
  explicit FixtureScreen(FixtureModel& model) : _model(model) {}
  std::string kind() const override { return "fixtureScreen"; }

  std::shared_ptr<UILabel> label;
  std::shared_ptr<UIImageView> image;
  std::shared_ptr<UIButton> button;
  std::shared_ptr<UITextField> field;
  std::shared_ptr<UISwitch> toggle;
  std::shared_ptr<UISegmentedControl> segments;
  std::shared_ptr<UIActivityIndicatorView> spinner;
  std::shared_ptr<UITableView> table;
  std::shared_ptr<UISearchBar> searchBar;
  std::shared_ptr<UIWebView> web;
  std::shared_ptr<MKMapView> map;
  std::shared_ptr<ADBannerView> banner;
  std::shared_ptr<Marker> marker;
  std::shared_ptr<MKPolyline> line;
  std::shared_ptr<UIBarButtonItem> done;
  std::shared_ptr<UIBarButtonItem> status;
  std::vector<std::string> tapped;
  std::vector<CGPoint> pressed;

  void viewDidLoad() override {
    const auto& root = view();
    label = std::make_shared<UILabel>(CGRectMake(10, 10, 100, 20));
    label->setText("Distance");
    image = std::make_shared<UIImageView>(std::make_shared<UIImage>("pin.png"));
    image->setFrame(CGRectMake(120, 10, 20, 20));
    button = UIButton::buttonWithType(UIButtonTypeRoundedRect);
    button->setFrame(CGRectMake(150, 10, 60, 30));
    button->setTitle("Go", UIControlStateNormal);
    button->setTag(7);
    button->addTarget([this](UIControl*) { tapped.push_back("button"); },
                      UIControlEventTouchUpInside);
    field = std::make_shared<UITextField>(CGRectMake(10, 40, 100, 30));
    field->setPlaceholder("Name");
    field->setDelegate(&_model);
    toggle = std::make_shared<UISwitch>(CGRectMake(120, 40, 0, 0));
    toggle->addTarget([this](UIControl*) { tapped.push_back("toggle"); },
                      UIControlEventValueChanged);
    segments = std::make_shared<UISegmentedControl>(std::vector<std::string>{"Map", "Satellite"});
    segments->setFrame(CGRectMake(10, 80, 200, 30));
    segments->setSelectedSegmentIndex(0);
    segments->addTarget([this](UIControl*) { tapped.push_back("segment"); },
                        UIControlEventValueChanged);
    spinner = std::make_shared<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    spinner->startAnimating();
    table = std::make_shared<UITableView>(CGRectMake(0, 120, 320, 100), UITableViewStyleGrouped);
    table->setDataSource(&_model);
    table->setDelegate(&_model);
    table->reloadData();
    searchBar = std::make_shared<UISearchBar>(CGRectMake(0, 220, 320, 44));
    searchBar->setDelegate(&_model);
    searchBar->setShowsCancelButton(true);
    web = std::make_shared<UIWebView>(CGRectMake(0, 264, 320, 40));
    web->setDelegate(&_model);
    web->loadHTMLString("<p>Help</p>", "file:///help/");
    map = std::make_shared<MKMapView>(CGRectMake(0, 304, 320, 50));
    map->setDelegate(&_model);
    map->setRegion({{43.73, 7.42}, {0.05, 0.05}}, false);
    marker = std::make_shared<Marker>(CLLocationCoordinate2D{43.74, 7.43});
    map->addAnnotation(marker);
    CLLocationCoordinate2D path[] = {{43.73, 7.41}, {43.74, 7.42}};
    line = MKPolyline::polylineWithCoordinates(path, 2);
    map->addOverlay(line);
    map->addOverlay(std::make_shared<Area>());
    map->addGestureRecognizer(
        std::make_shared<UILongPressGestureRecognizer>([this](UIGestureRecognizer* g) {
          if (g->state() == UIGestureRecognizerStateBegan)
            pressed.push_back(g->locationInView(map.get()));
        }));
    banner = std::make_shared<ADBannerView>(CGRectMake(0, 354, 320, 50));
    for (const auto& v :
         std::vector<std::shared_ptr<UIView>>{label, image, button, field, toggle, segments,
                                              spinner, table, searchBar, web, map, banner})
      root->addSubview(v);
    root->addSubview(std::make_shared<UIView>(CGRectMake(0, 0, 5, 5)));

    done = std::make_shared<UIBarButtonItem>(
        UIBarButtonSystemItemDone, [this](UIBarButtonItem*) { tapped.push_back("done"); });
    navigationItem().setRightBarButtonItem(done);
    status = std::make_shared<UIBarButtonItem>(std::make_shared<UILabel>(CGRectMake(0, 0, 80, 20)));
    setToolbarItems(
        {std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemFlexibleSpace), status});
    setTitle("Fixture");
  }

 private:
  FixtureModel& _model;
};

// A fresh phone with the fixture on screen: a root screen under a navigation controller, and
// the fixture pushed over it.
class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIApplication::sharedApplication().reset();
    window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    home = std::make_shared<UIViewController>();
    home->setTitle("Home");
    navigation = std::make_shared<UINavigationController>(home);
    window->setRootViewController(navigation);
    window->makeKeyAndVisible();
    screen = std::make_shared<FixtureScreen>(model);
    navigation->pushViewController(screen, false);
    navigation->setToolbarHidden(false, false);
  }
  void TearDown() override { UIApplication::sharedApplication().reset(); }

  DescriptionTree describe() { return DescriptionTree::ofKeyWindow(ids); }
  // The id the fixture's object has in a description of the screen.
  template <class T>
  std::uint64_t idOf(const std::shared_ptr<T>& object) {
    return ids.idFor(ObjectRef::to(object));
  }

  FixtureModel model;
  ObjectIds ids;
  std::shared_ptr<UIWindow> window;
  std::shared_ptr<UIViewController> home;
  std::shared_ptr<UINavigationController> navigation;
  std::shared_ptr<FixtureScreen> screen;
};

}  // namespace tessaly::platform::testing

#include "app/MainInterface.h"

#include "app/AppDelegate.h"
#include "mapscreen/ToolbarRules.h"
#include "platform/map/MKMapView.h"
#include "platform/ui/UISearchBar.h"

namespace tessaly {

namespace p = tessaly::platform;

namespace {

using ScreenAction = void (MapViewController::*)();

p::UIBarButtonItem::Action sendTo(const std::shared_ptr<MapViewController>& screen,
                                  ScreenAction action) {
  std::weak_ptr<MapViewController> weak = screen;
  return [weak, action](p::UIBarButtonItem*) {
    if (auto target = weak.lock()) ((*target).*action)();
  };
}

std::shared_ptr<p::UIBarButtonItem> command(int tag, std::shared_ptr<p::UIBarButtonItem> item) {
  item->setTag(tag);
  return item;
}

// Ten items: commands at 0, 2, 4, 5, 7 and 9, the one spacer at 1, 3, 6 and 8.
p::UIBarButtonItems toolbarItems(const std::shared_ptr<MapViewController>& screen) {
  auto space = std::make_shared<p::UIBarButtonItem>(p::UIBarButtonSystemItemFlexibleSpace);
  auto files = command(kToolbarFiles, std::make_shared<p::UIBarButtonItem>(
                                          p::UIBarButtonSystemItemOrganize,
                                          sendTo(screen, &MapViewController::saveAction)));
  auto undo = command(kToolbarUndo, std::make_shared<p::UIBarButtonItem>(
                                        p::UIBarButtonSystemItemUndo,
                                        sendTo(screen, &MapViewController::undoAction)));
  auto clear = command(kToolbarClear, std::make_shared<p::UIBarButtonItem>(
                                          p::UIBarButtonSystemItemTrash,
                                          sendTo(screen, &MapViewController::clearAction)));
  auto close = command(kToolbarClose, std::make_shared<p::UIBarButtonItem>(
                                          "Close", p::UIBarButtonItemStyleBordered,
                                          sendTo(screen, &MapViewController::closeAction)));
  auto route = command(kToolbarRoute, std::make_shared<p::UIBarButtonItem>(
                                          "Route", p::UIBarButtonItemStyleBordered,
                                          sendTo(screen, &MapViewController::routeAction)));
  auto search = command(kToolbarSearch, std::make_shared<p::UIBarButtonItem>(
                                            p::UIBarButtonSystemItemSearch,
                                            sendTo(screen, &MapViewController::searchAction)));
  return {files, space, undo, space, clear, close, space, route, space, search};
}

}  // namespace

MainInterface loadMainInterface(AppDelegate& delegate) {
  MainInterface ui;
  p::CGRect screen = p::UIScreen::mainScreen().bounds();
  p::CGRect app = p::UIScreen::mainScreen().applicationFrame();
  ui.window = std::make_shared<p::UIWindow>(screen);

  ui.mapScreen = std::make_shared<MapViewController>();
  ui.navigationController = std::make_shared<p::UINavigationController>(ui.mapScreen);

  // The map screen's view lies below the navigation bar; the map fills it, the search bar sits
  // at its top, hidden until a search begins.
  p::CGRect content =
      p::CGRectMake(0, 0, app.size.width, app.size.height - p::UINavigationController::kBarHeight);
  MapScreenOutlets outlets;
  outlets.view = std::make_shared<p::UIView>(content);
  outlets.view->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth |
                                    p::UIViewAutoresizingFlexibleHeight);
  outlets.mapView = std::make_shared<p::MKMapView>(content);
  outlets.mapView->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth |
                                       p::UIViewAutoresizingFlexibleHeight);
  outlets.searchBar = std::make_shared<p::UISearchBar>(
      p::CGRectMake(0, 0, content.size.width, p::UINavigationController::kBarHeight));
  outlets.searchBar->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth);
  outlets.searchBar->setHidden(true);
  outlets.view->addSubview(outlets.mapView);
  outlets.view->addSubview(outlets.searchBar);
  outlets.searchDisplayController =
      std::make_unique<p::UISearchDisplayController>(outlets.searchBar, ui.mapScreen.get());
  outlets.toolbarItems = toolbarItems(ui.mapScreen);
  ui.mapScreen->connectOutlets(std::move(outlets));

  delegate.setWindow(ui.window);
  delegate.setMyNavController(ui.navigationController);
  return ui;
}

}  // namespace tessaly

#pragma once
// A test fixture that starts the whole application headless on a fresh device, with its
// documents in a temporary directory and the main loop on the test clock, and offers the
// touches a person would make.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "appdata/AppData.h"
#include "measure/PathEditor.h"
#include "measure/PontoAnnotation.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/TempDir.h"
#include "platform/map/MKMapView.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIDevice.h"
#include "platform/ui/UIGestureRecognizer.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UIToolbar.h"

namespace tessaly::testing {

class LaunchedApp : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::RunLoop::main().reset();
    platform::RunLoop::main().useTestClock();
    platform::UIApplication::sharedApplication().reset();
    platform::setDocumentsDirectory(_documents.path());
    AppData::sharedInstance().reset();
    PathEditor::resetMarkerCounter();
  }
  void TearDown() override {
    Application::shutdown();
    platform::UIApplication::sharedApplication().reset();
    AppData::sharedInstance().reset();
    platform::setDocumentsDirectory("");
    platform::RunLoop::main().reset();
  }

  // Writes the settings file the application reads at launch.
  void writeSettings(int maptype, int unit, int currentLocation) {
    std::ofstream(_documents.file("settings.plist"))
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
        << "<key>MapType</key><integer>" << maptype << "</integer>\n"
        << "<key>Unit</key><integer>" << unit << "</integer>\n"
        << "<key>CurrentLocation</key><integer>" << currentLocation << "</integer>\n"
        << "</dict>\n</plist>\n";
  }

  void launch(platform::UIUserInterfaceIdiom idiom = platform::UIUserInterfaceIdiomPhone) {
    platform::UIDevice::currentDevice().reset(idiom);
    Application::launch();
    platform::RunLoop::main().runUntilIdle();
  }

  MapViewController& screen() { return *Application::mapScreen(); }
  platform::MKMapView& map() { return *screen().mapView(); }
  platform::UINavigationController& nav() { return *Application::navigationController(); }
  platform::ADBannerView& banner() { return *Application::banner(); }
  // The screen shown over the map screen: a tablet's form sheet, or the one pushed on a phone.
  std::shared_ptr<platform::UIViewController> shownScreen() {
    if (platform::UIDevice::currentDevice().isPad()) {
      auto sheet = std::dynamic_pointer_cast<platform::UINavigationController>(
          nav().presentedViewController());
      return sheet ? sheet->viewControllers().back() : nullptr;
    }
    return nav().viewControllers().back();
  }
  std::shared_ptr<platform::UIBarButtonItem> item(int tag) {
    return nav().toolbar()->itemWithTag(tag);
  }
  // The markers on the map, in the order they were added.
  std::vector<std::shared_ptr<PontoAnnotation>> markers() {
    std::vector<std::shared_ptr<PontoAnnotation>> found;
    for (const auto& annotation : map().annotations())
      if (auto marker = std::dynamic_pointer_cast<PontoAnnotation>(annotation))
        found.push_back(marker);
    return found;
  }
  bool enabled(int tag) { return item(tag)->isEnabled(); }
  bool tap(int tag) { return item(tag)->tap(); }

  platform::UILongPressGestureRecognizer& longPress() {
    for (const auto& recognizer : map().gestureRecognizers())
      if (auto* press = dynamic_cast<platform::UILongPressGestureRecognizer*>(recognizer.get()))
        return *press;
    throw std::logic_error("the map has no long-press recogniser");
  }
  // A press held at a point of the map view, then lifted.
  void pressMap(platform::CGPoint point) { ASSERT_TRUE(longPress().press(point)); }
  void pressMap(float x, float y) { pressMap(platform::CGPoint{x, y}); }

  TempDir _documents;
  platform::LogCapture _log;  // keeps expected diagnostics off the test output
};

}  // namespace tessaly::testing

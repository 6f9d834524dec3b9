#pragma once
// The measuring engine of the map screen: the path (an ordered list of entries), the markers
// and the single line it puts on the map view, the running totals, the status text, and the
// three editing commands clear, undo and close (with the polygon's area on the sphere).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "measure/CoordData.h"
#include "measure/PontoAnnotation.h"
#include "platform/foundation/Result.h"
#include "platform/map/MKMapView.h"

namespace tessaly {

class PathEditor {
 public:
  using Entry = std::shared_ptr<CoordData>;
  using Marker = std::shared_ptr<PontoAnnotation>;

  // Long-press states as the gesture reports them; only the first one places a point.
  static constexpr int kGestureBegan = 1;
  // Paths longer than this are thinned before they are drawn.
  static constexpr std::size_t kThinningThreshold = 12000;
  static constexpr double kEarthRadius = 6378137.0;

  // mapView is not owned and must outlive the editor.
  explicit PathEditor(platform::MKMapView* mapView);

  // Seams to the screen around the map. Each may be left empty.
  // Where the status text goes (the status label).
  void setStatusSink(std::function<void(const std::string&)> sink) {
    _statusSink = std::move(sink);
  }
  // Whether the device is a tablet; asked at every status update.
  void setIsTablet(std::function<bool()> isTablet) { _isTablet = std::move(isTablet); }
  // Called after each change of the path (enables and disables the toolbar's commands).
  void setToolbarRefresh(std::function<void()> refresh) { _toolbarRefresh = std::move(refresh); }

  const std::vector<Entry>& pathArray() const { return _pathArray; }
  platform::MKMapView* mapView() const { return _mapView; }
  // The last text sent to the status sink.
  const std::string& statusText() const { return _statusText; }

  // Appends entry: sets its running distance and, unless it is a route point, gives it a
  // marker with its number, delta and heading; updates the status and redraws the line.
  // Returns the marker, or null for a route point.
  Marker addMapPoint(const Entry& entry);
  // The long press: acts only in the began state and with a location (in the map view's
  // coordinates); places a marker there. Returns it, or null when nothing was placed.
  Marker didTapMap(int state, std::optional<platform::CGPoint> locationInMapView);

  void updateStatus();
  void refreshPolyLine();

  void clearAction();
  // Removes the last marker with the route points that led to it. Does nothing on an empty path.
  void undoAction();
  // Closes the polygon: adds a marker at the first entry's coordinate and gives it the area.
  // Returns that marker; null (nothing changed) where closing is not allowed.
  Marker closeAction();

  bool canUndo() const { return !_pathArray.empty(); }
  bool canClose() const { return checkClose().ok(); }
  // Whether the path can be closed now, or why not.
  platform::Result<> checkClose() const;

  void removeAllPolylineOverlays();
  void removeAllPontoAnnotations();

  // Markers made so far in this process (the serial number of the last one).
  static std::uint32_t markerCounter();
  static void resetMarkerCounter();

  // The area of the closed path through entries (the last joined back to the first) on a
  // sphere of the given radius, in square metres.
  static double sphericalArea(const std::vector<Entry>& entries, double radius = kEarthRadius);
  // The initial great-circle bearing from a to b in whole degrees 0..359 (cut toward zero).
  static std::int32_t heading(platform::CLLocationCoordinate2D a,
                              platform::CLLocationCoordinate2D b);

 private:
  void setStatus(const std::string& text);
  void refreshToolbar();
  // The entry of the marker before the one being added: the nearest earlier entry with a marker.
  const CoordData* previousMarkerEntry() const;
  // Keeps the line's points in step with an entry just appended to the path.
  void appendLinePoint(platform::MKMapPoint point);

  platform::MKMapView* _mapView;
  std::vector<Entry> _pathArray;
  // The path's map points, shared by the successive lines: appending never moves or changes
  // the points an earlier line shows; any other change starts a new buffer.
  std::shared_ptr<std::vector<platform::MKMapPoint>> _linePoints;
  std::string _statusText;
  std::function<void(const std::string&)> _statusSink;
  std::function<bool()> _isTablet;
  std::function<void()> _toolbarRefresh;
};

}  // namespace tessaly

#pragma once
// How each kind of thing on the screen draws itself with Cairo, one function per kind. Every
// function draws in the coordinates of the view's own bounds (or, for panels, of the screen
// below the status bar) from what the object shows, and changes nothing.
#include <cairo.h>

#include <string>
#include <vector>

#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIColor.h"
#include "platform/ui/UILabel.h"

namespace tessaly::platform {

class ADBannerView;
class MKMapView;
class UIActionSheet;
class UIAlertView;
class UIButton;
class UINavigationBar;
class UISearchBar;
class UISegmentedControl;
class UISwitch;
class UITableView;
class UITextField;
class UIToolbar;
class UIView;

namespace drawing {

// Colours of the bars and the map, as the web page shows them too.
inline const UIColor kBarTop = {0xb0 / 255.f, 0xbc / 255.f, 0xcd / 255.f, 1};
inline const UIColor kBarBottom = {0x6d / 255.f, 0x84 / 255.f, 0xa2 / 255.f, 1};
inline const UIColor kSea = {0x9f / 255.f, 0xc3 / 255.f, 0xe7 / 255.f, 1};
inline const UIColor kLand = {0xef / 255.f, 0xe9 / 255.f, 0xd8 / 255.f, 1};
inline const UIColor kLandEdge = {0x8a / 255.f, 0x84 / 255.f, 0x70 / 255.f, 1};
inline const UIColor kImagerySea = {0x1d / 255.f, 0x35 / 255.f, 0x4f / 255.f, 1};
inline const UIColor kImageryLand = {0x4d / 255.f, 0x5e / 255.f, 0x3a / 255.f, 1};
inline const UIColor kHybridOutline = {0xff / 255.f, 0xe9 / 255.f, 0xa8 / 255.f, 1};
// Pin heads: pure enough that a picture test can tell them apart.
inline const UIColor kPinRed = {0.86f, 0.12f, 0.10f, 1};
inline const UIColor kPinGreen = {0.10f, 0.75f, 0.10f, 1};
inline const UIColor kPinPurple = {0.58f, 0.20f, 0.80f, 1};

// A pin stands on its coordinate; its head is a disc this far above it.
inline constexpr double kPinHeadRise = 20;
inline constexpr double kPinHeadRadius = 6;
// The line's width when its view sets none.
inline constexpr double kDefaultLineWidth = 4;

void setColor(cairo_t* cr, const UIColor& color, double alphaFactor = 1);
// One line of text in rect, cut with an ellipsis when too long, centred vertically.
void drawText(cairo_t* cr, const std::string& text, const UIFont& font, const UIColor& color,
              double x, double y, double width, double height,
              NSTextAlignment alignment = NSTextAlignmentLeft);
double textWidth(cairo_t* cr, const std::string& text, const UIFont& font);

// Where a bar's items stand across a bar of that width (spaces included, flexible spaces
// sharing what is left), left to right.
std::vector<double> barItemWidths(const UIBarButtonItems& items, double barWidth);
inline constexpr double kBarPadding = 6;

void drawLabel(cairo_t* cr, const UILabel& label);
void drawButton(cairo_t* cr, const UIButton& button);
void drawTextField(cairo_t* cr, const UITextField& field);
void drawSearchBar(cairo_t* cr, const UISearchBar& bar);
void drawNavigationBar(cairo_t* cr, const UINavigationBar& bar);
void drawToolbar(cairo_t* cr, const UIToolbar& toolbar);
void drawMap(cairo_t* cr, const MKMapView& map);
void drawBanner(cairo_t* cr, const ADBannerView& banner);
void drawTable(cairo_t* cr, const UITableView& table);
void drawSwitch(cairo_t* cr, const UISwitch& control);
void drawSegmentedControl(cairo_t* cr, const UISegmentedControl& control);

// A switch that is on, unless it sets its own tint; the blue of a selected segment.
inline const UIColor kSwitchOn = {0.00f, 0.50f, 0.92f, 1};
inline const UIColor kSegmentSelected = {0x3f / 255.f, 0x6e / 255.f, 0xb5 / 255.f, 1};
// Panels cover the screen (width x height below the status bar).
void drawAlert(cairo_t* cr, const UIAlertView& alert, double width, double height);
// anchor: the bar item's rectangle on screen for a popover, or null for a sheet from below.
void drawActionSheet(cairo_t* cr, const UIActionSheet& sheet, double width, double height,
                     const double* anchor);

}  // namespace drawing
}  // namespace tessaly::platform

#pragma once
// The pens every kind's drawer shares: colours of the bars and the map, text in a box, rounded
// boxes, gradients and the resources' images. They draw with Cairo and change nothing else.
#include <cairo.h>

#include <string>

#include "platform/ui/UIColor.h"
#include "platform/ui/UILabel.h"

namespace tessaly::platform::drawing {

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
// A switch that is on, unless it sets its own tint; the blue of a selected segment.
inline const UIColor kSwitchOn = {0.00f, 0.50f, 0.92f, 1};
inline const UIColor kSegmentSelected = {0x3f / 255.f, 0x6e / 255.f, 0xb5 / 255.f, 1};
// Tables: the grouped style's background and the page's header strip of a plain table.
inline const UIColor kGroupedBackground = {0xc5 / 255.f, 0xcc / 255.f, 0xd4 / 255.f, 1};
inline const UIColor kPlainHeader = {0xa5 / 255.f, 0xb1 / 255.f, 0xba / 255.f, 1};
inline const UIColor kWhite = {1, 1, 1, 1};
inline const UIColor kDarkText = {0.1f, 0.1f, 0.1f, 1};
inline const UIColor kPlaceholder = {0.6f, 0.6f, 0.6f, 1};
inline const UIColor kDetailBlue = {0x38 / 255.f, 0x54 / 255.f, 0x87 / 255.f, 1};

// A pin stands on its coordinate; its head is a disc this far above it.
inline constexpr double kPinHeadRise = 20;
inline constexpr double kPinHeadRadius = 6;
// The line's width when its view sets none.
inline constexpr double kDefaultLineWidth = 4;
inline constexpr double kPi = 3.14159265358979323846;

void setColor(cairo_t* cr, const UIColor& color, double alphaFactor = 1);
// One line of text in rect, cut with an ellipsis when too long, centred vertically.
void drawText(cairo_t* cr, const std::string& text, const UIFont& font, const UIColor& color,
              double x, double y, double width, double height,
              NSTextAlignment alignment = NSTextAlignmentLeft);
double textWidth(cairo_t* cr, const std::string& text, const UIFont& font);
// What was typed into a field, or its placeholder in grey while it is empty.
void drawEnteredText(cairo_t* cr, const std::string& text, const std::string& placeholder,
                     double fontSize, double x, double y, double width, double height);

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void verticalGradient(cairo_t* cr, double y, double h, const UIColor& top, const UIColor& bottom);
// The bars' blue-grey gradient over the whole bar, with a dark edge line at edgeY (or none).
void fillBar(cairo_t* cr, double width, double height, double edgeY);
// A rounded button with a gradient and its title, as panels and bars show them.
void drawPanelButton(cairo_t* cr, double x, double y, double w, double h, const std::string& title,
                     const UIColor& top, const UIColor& bottom, const UIColor& text);
// An image of the resources' images folder (name.png), fitted into the box with its aspect kept;
// nothing for a name that is no such image.
void drawImage(cairo_t* cr, const std::string& name, double x, double y, double w, double h);

}  // namespace tessaly::platform::drawing

#pragma once
// One input by object id: what a person does to one object on screen (a tap, a toggle, a row
// picked, a link followed), named by the object's id in the screen's description.
#include <cstdint>
#include <string>

#include "platform/foundation/Geometry.h"

namespace tessaly::platform {

struct Touch {
  enum class Kind {
    Tap,
    Toggle,
    SelectSegment,
    SelectRow,
    SetEditing,
    DeleteRow,
    TypeText,
    Submit,
    Cancel,
    TapLink,
    GoBack,
    PressAlertButton,
    PressSheetButton,
    SelectAnnotation,
    DeselectAnnotation,
    TapCalloutAccessory,
    LongPress
  };
  Kind kind = Kind::Tap;
  std::uint64_t id = 0;      // 0: none given (goBack, longPress may omit it)
  bool on = false;           // toggle
  bool editing = false;      // setEditing
  int index = 0;             // selectSegment, press*Button
  int section = 0, row = 0;  // selectRow, deleteRow
  std::string text;          // typeText; pressAlertButton's text-field text (optional)
  bool hasText = false;
  std::string url;  // tapLink
  CGPoint point;    // longPress, in the map view's own coordinates
};

}  // namespace tessaly::platform

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/ui/ScreenFixture.h"
#include "platform/ui/TouchRouter.h"

using namespace tessaly::platform;
using namespace tessaly::platform::testing;

namespace {

// Everything a description says, as text: two screens are the same when their texts are.
void write(std::ostream& out, const DescriptionNode& node) {
  out << node.kind << '#' << node.id << '{';
  for (const auto& [name, value] : node.properties) {
    out << name << '=';
    std::visit(
        [&](const auto& v) {
          using V = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<V, std::nullptr_t>)
            out << "null";
          else if constexpr (std::is_same_v<V, bool> || std::is_same_v<V, double> ||
                             std::is_same_v<V, std::string>)
            out << v;
          else if constexpr (std::is_same_v<V, std::vector<std::string>>)
            for (const auto& s : v) out << s << '|';
          else if constexpr (std::is_same_v<V, CGRect>)
            out << v.origin.x << ',' << v.origin.y << ',' << v.size.width << ',' << v.size.height;
          else if constexpr (std::is_same_v<V, UIColor>)
            out << v.red << ',' << v.green << ',' << v.blue << ',' << v.alpha;
          else if constexpr (std::is_same_v<V, CLLocationCoordinate2D>)
            out << v.latitude << ',' << v.longitude;
          else
            out << v.size();
        },
        value);
    out << ';';
  }
  for (const auto& [name, slot] : node.slots) {
    out << name << ':';
    write(out, *slot);
  }
  for (const auto& [name, list] : node.lists) {
    out << name << '[';
    for (const auto& item : list) write(out, *item);
    out << ']';
  }
  for (const auto& child : node.children) write(out, *child);
  out << '}';
}

class TouchRouterTest : public ScreenTest {
 protected:
  std::string screenText() {
    auto tree = describe();
    std::ostringstream out;
    if (tree.root() != nullptr) write(out, *tree.root());
    return out.str();
  }
  Result<> touch(Touch t) { return router.apply(t); }
  template <class T>
  std::uint64_t viewId(const std::shared_ptr<T>& view) {
    describe();
    return idOf(std::static_pointer_cast<UIView>(view));
  }
  // The touch is refused with a reason containing `why`, and the screen did not change.
  void expectRefused(const Touch& t, const std::string& why) {
    std::string before = screenText();
    auto heard = model.heard;
    auto tapped = screen->tapped;
    auto result = router.apply(t);
    ASSERT_FALSE(result.ok()) << "touch was taken; expected: " << why;
    EXPECT_NE(result.reason().find(why), std::string::npos) << result.reason();
    EXPECT_EQ(result.reason().find('\n'), std::string::npos);
    EXPECT_EQ(screenText(), before);
    EXPECT_EQ(model.heard, heard);
    EXPECT_EQ(screen->tapped, tapped);
  }

  TouchRouter router{ids};
};

Touch make(Touch::Kind kind, std::uint64_t id) {
  Touch t;
  t.kind = kind;
  t.id = id;
  return t;
}

}  // namespace

TEST_F(TouchRouterTest, RefusesWhatNamesNothingOnScreenOrTheWrongKind) {
  expectRefused(make(Touch::Kind::Tap, 99999), "no object has id 99999");
  expectRefused(make(Touch::Kind::Tap, 0), "needs an id");
  // A gone object's id is known but no longer on screen.
  auto gone = std::make_shared<UIButton>();
  screen->view()->addSubview(gone);
  std::uint64_t goneId = viewId(gone);
  gone->removeFromSuperview();
  gone.reset();
  expectRefused(make(Touch::Kind::Tap, goneId), "is not on screen");
  // An object on screen, touched in a way its kind does not take.
  expectRefused(make(Touch::Kind::Toggle, viewId(screen->button)), "does not take toggle");
  expectRefused(make(Touch::Kind::Tap, viewId(screen->label)), "does not take tap");
  expectRefused(make(Touch::Kind::SelectRow, viewId(screen->map)), "does not take selectRow");
  // Hidden, disabled, out of range.
  screen->toggle->setHidden(true);
  Touch flip = make(Touch::Kind::Toggle, viewId(screen->toggle));
  flip.on = true;
  expectRefused(flip, "hidden");
  screen->button->setEnabled(false);
  expectRefused(make(Touch::Kind::Tap, viewId(screen->button)), "disabled");
  screen->done->setEnabled(false);
  expectRefused(make(Touch::Kind::Tap, idOf(screen->done)), "disabled");
  Touch segment = make(Touch::Kind::SelectSegment, viewId(screen->segments));
  segment.index = 2;
  expectRefused(segment, "2 segments");
  Touch row = make(Touch::Kind::SelectRow, viewId(screen->table));
  row.section = 0;
  row.row = 5;
  expectRefused(row, "2 rows");
  row.kind = Touch::Kind::DeleteRow;
  row.section = 1;
  row.row = 0;
  expectRefused(row, "cannot be deleted");
  Touch callout = make(Touch::Kind::TapCalloutAccessory,
                       idOf(std::static_pointer_cast<MKAnnotation>(screen->marker)));
  expectRefused(callout, "no open callout");
  Touch press = make(Touch::Kind::LongPress, 0);
  press.point = {400, 10};
  expectRefused(press, "outside the map view");
}

TEST_F(TouchRouterTest, WhileAnAlertIsUpOnlyItsButtonsAndFieldAreTaken) {
  auto alert =
      std::make_shared<UIAlertView>("Save", "", &model, "Cancel", std::vector<std::string>{"Save"});
  alert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
  alert->show();
  expectRefused(make(Touch::Kind::Tap, viewId(screen->button)), "an alert is on screen");
  expectRefused(make(Touch::Kind::GoBack, 0), "an alert is on screen");
  std::uint64_t alertId = viewId(alert);
  Touch out = make(Touch::Kind::PressAlertButton, alertId);
  out.index = 2;
  expectRefused(out, "2 buttons");
  expectRefused(make(Touch::Kind::PressSheetButton, alertId), "does not take pressSheetButton");
  // Its text field takes typing; then a button press with the field's text.
  auto tree = describe();
  const auto& fields = tree.find(alertId)->list("textFields");
  ASSERT_EQ(fields.size(), 1u);
  const auto& field = fields.front();
  Touch type = make(Touch::Kind::TypeText, field->id);
  type.text = "walk";
  ASSERT_TRUE(touch(type).ok());
  Touch save = make(Touch::Kind::PressAlertButton, alertId);
  save.index = 1;
  ASSERT_TRUE(touch(save).ok());
  EXPECT_EQ(model.heard.back(), "alert 1 walk");
  EXPECT_EQ(describe().first("alert"), nullptr);
  EXPECT_TRUE(touch(make(Touch::Kind::Tap, viewId(screen->button))).ok());
}

TEST_F(TouchRouterTest, TheScreenBelowAPresentedOneTakesNoTouches) {
  auto sheet = std::make_shared<UINavigationController>(std::make_shared<UIViewController>());
  screen->presentViewController(sheet, false);
  expectRefused(make(Touch::Kind::Tap, viewId(screen->button)), "below the screen presented");
  // goBack without an id goes to the presented screen's bar, which has nothing to go back to.
  expectRefused(make(Touch::Kind::GoBack, 0), "no screen to go back to");
}

TEST_F(TouchRouterTest, ControlsSendTheirActions) {
  ASSERT_TRUE(touch(make(Touch::Kind::Tap, viewId(screen->button))).ok());
  Touch flip = make(Touch::Kind::Toggle, viewId(screen->toggle));
  flip.on = true;
  ASSERT_TRUE(touch(flip).ok());
  EXPECT_TRUE(screen->toggle->isOn());
  Touch segment = make(Touch::Kind::SelectSegment, viewId(screen->segments));
  segment.index = 1;
  ASSERT_TRUE(touch(segment).ok());
  EXPECT_EQ(screen->segments->selectedSegmentIndex(), 1);
  ASSERT_TRUE(touch(make(Touch::Kind::Tap, idOf(screen->done))).ok());
  EXPECT_EQ(screen->tapped, (std::vector<std::string>{"button", "toggle", "segment", "done"}));
  // A bar item without an action does nothing and says so.
  expectRefused(make(Touch::Kind::Tap, idOf(screen->status)), "does nothing");
  // A switch inside a table row is touched like any other.
  Touch rowFlip = make(Touch::Kind::Toggle, viewId(model.rowSwitch));
  rowFlip.on = true;
  ASSERT_TRUE(touch(rowFlip).ok());
  EXPECT_TRUE(model.rowSwitch->isOn());
}

TEST_F(TouchRouterTest, TableRowsAreSelectedDeletedAndEdited) {
  std::uint64_t table = viewId(screen->table);
  Touch row = make(Touch::Kind::SelectRow, table);
  row.section = 1;
  row.row = 0;
  ASSERT_TRUE(touch(row).ok());
  EXPECT_EQ(model.heard.back(), "select 1.0");
  Touch editing = make(Touch::Kind::SetEditing, table);
  editing.editing = true;
  ASSERT_TRUE(touch(editing).ok());
  EXPECT_TRUE(describe().find(table)->boolean("editing"));
  Touch remove = make(Touch::Kind::DeleteRow, table);
  remove.row = 1;
  ASSERT_TRUE(touch(remove).ok());
  EXPECT_EQ(model.heard.back(), "delete Ride");
  EXPECT_EQ(describe().find(table)->list("sections")[0]->list("cells").size(), 1u);
}

TEST_F(TouchRouterTest, TextSearchAndLinksReachTheDelegates) {
  std::uint64_t bar = viewId(screen->searchBar);
  Touch type = make(Touch::Kind::TypeText, bar);
  type.text = "Monaco";
  ASSERT_TRUE(touch(type).ok());
  EXPECT_TRUE(describe().find(bar)->boolean("focused"));
  ASSERT_TRUE(touch(make(Touch::Kind::Submit, bar)).ok());
  ASSERT_TRUE(touch(make(Touch::Kind::Cancel, bar)).ok());
  EXPECT_EQ(model.heard,
            (std::vector<std::string>{"search text Monaco", "search", "search cancel"}));

  std::uint64_t field = viewId(screen->field);
  type.id = field;
  type.text = "Route";
  ASSERT_TRUE(touch(type).ok());
  EXPECT_EQ(screen->field->text(), "Route");
  ASSERT_TRUE(touch(make(Touch::Kind::Submit, field)).ok());
  EXPECT_EQ(model.heard.back(), "return");

  Touch link = make(Touch::Kind::TapLink, viewId(screen->web));
  link.url = "mailto:help@example.org";
  ASSERT_TRUE(touch(link).ok());
  EXPECT_EQ(model.heard.back(), "link mailto:help@example.org");
  EXPECT_EQ(screen->web->url(), "file:///help/");
  link.url = "not a link";
  expectRefused(link, "");
}

TEST_F(TouchRouterTest, GoBackPopsTheFrontmostNavigationController) {
  ASSERT_TRUE(touch(make(Touch::Kind::GoBack, 0)).ok());
  EXPECT_EQ(navigation->topViewController(), home.get());
  expectRefused(make(Touch::Kind::GoBack, 0), "no screen to go back to");
  navigation->pushViewController(screen, false);
  std::uint64_t bar = viewId(navigation->navigationBar());
  ASSERT_TRUE(touch(make(Touch::Kind::GoBack, bar)).ok());
  EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

TEST_F(TouchRouterTest, SheetButtonsAndCancelGoThroughThePanel) {
  auto sheet = std::make_shared<UIActionSheet>("Clear?", &model, "Cancel", "Clear",
                                               std::vector<std::string>{});
  sheet->showFromBarButtonItem(screen->done, true);
  std::uint64_t id = viewId(sheet);
  ASSERT_TRUE(touch(make(Touch::Kind::Cancel, id)).ok());
  EXPECT_EQ(model.heard.back(), "sheet 1");
  sheet->showInView(screen->view().get());
  Touch press = make(Touch::Kind::PressSheetButton, id);
  press.index = 0;
  ASSERT_TRUE(touch(press).ok());
  EXPECT_EQ(model.heard.back(), "sheet 0");
  expectRefused(press, "is not on screen");
}

TEST_F(TouchRouterTest, AnnotationsCalloutsAndLongPressesReachTheMap) {
  std::uint64_t marker = idOf(std::static_pointer_cast<MKAnnotation>(screen->marker));
  ASSERT_TRUE(touch(make(Touch::Kind::SelectAnnotation, marker)).ok());
  EXPECT_TRUE(describe().find(marker)->boolean("calloutOpen"));
  ASSERT_TRUE(touch(make(Touch::Kind::TapCalloutAccessory, marker)).ok());
  EXPECT_EQ(model.heard.back(), "callout");
  ASSERT_TRUE(touch(make(Touch::Kind::DeselectAnnotation, marker)).ok());
  EXPECT_TRUE(screen->map->selectedAnnotations().empty());
  Touch press = make(Touch::Kind::LongPress, 0);
  press.point = {100, 20};
  ASSERT_TRUE(touch(press).ok());
  press.id = viewId(screen->map);
  ASSERT_TRUE(touch(press).ok());
  ASSERT_EQ(screen->pressed.size(), 2u);
  EXPECT_EQ(screen->pressed[0].x, 100);
  EXPECT_EQ(screen->pressed[0].y, 20);
  // An overlay is drawn, not touched.
  expectRefused(
      make(Touch::Kind::SelectAnnotation, idOf(std::static_pointer_cast<MKOverlay>(screen->line))),
      "does not take selectAnnotation");
}

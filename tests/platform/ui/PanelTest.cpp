#include <gtest/gtest.h>

#include "platform/ui/UIActionSheet.h"
#include "platform/ui/UIAlertView.h"
#include "platform/ui/UIApplication.h"

using namespace tessaly::platform;

namespace {

class PanelTest : public testing::Test {
 protected:
  void SetUp() override { UIApplication::sharedApplication().reset(); }
  void TearDown() override { UIApplication::sharedApplication().reset(); }
  const std::vector<std::shared_ptr<UIPanelView>>& onScreen() {
    return UIApplication::sharedApplication().panelsOnScreen();
  }
};

struct Recorder : UIAlertViewDelegate, UIActionSheetDelegate {
  std::vector<std::string> calls;
  std::string textAtClick;
  void alertViewClickedButtonAtIndex(UIAlertView* alert, int index) override {
    calls.push_back("alert " + std::to_string(index) +
                    " visible=" + std::to_string(alert->isVisible()));
    if (alert->numberOfTextFields() > 0) textAtClick = alert->textFieldAtIndex(0)->text();
  }
  void alertViewDidDismissWithButtonIndex(UIAlertView*, int index) override {
    calls.push_back("dismissed " + std::to_string(index));
  }
  void actionSheetClickedButtonAtIndex(UIActionSheet* sheet, int index) override {
    calls.push_back("sheet " + std::to_string(sheet->tag()) + " " +
                    sheet->buttonTitleAtIndex(index));
  }
};

}  // namespace

TEST_F(PanelTest, AlertButtonsStartWithCancelAndAPressTakesTheAlertOffScreen) {
  Recorder recorder;
  auto alert = std::make_shared<UIAlertView>("Save XML", "\n", &recorder, "Cancel",
                                             std::vector<std::string>{"Save"});
  alert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
  alert->textFieldAtIndex(0)->setPlaceholder("<filename>");
  alert->setTag(2);
  EXPECT_EQ(alert->buttonTitles(), (std::vector<std::string>{"Cancel", "Save"}));
  EXPECT_EQ(alert->cancelButtonIndex(), 0);
  EXPECT_EQ(alert->firstOtherButtonIndex(), 1);

  alert->show();
  ASSERT_EQ(onScreen().size(), 1u);
  EXPECT_EQ(onScreen()[0], alert);
  alert->pressButtonAtIndex(1, "route1");
  EXPECT_TRUE(onScreen().empty());
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"alert 1 visible=0", "dismissed 1"}));
  EXPECT_EQ(recorder.textAtClick, "route1");
  EXPECT_EQ(alert->textFieldAtIndex(0)->placeholder(), "<filename>");
}

TEST_F(PanelTest, AlertWithoutDelegateOrTextFieldIsStillPressable) {
  auto alert = std::make_shared<UIAlertView>("Error", "Not found", nullptr, "OK");
  alert->show();
  std::weak_ptr<UIAlertView> weak = alert;
  alert.reset();  // shown and let go of: the application keeps it
  ASSERT_FALSE(weak.expired());
  EXPECT_THROW(weak.lock()->textFieldAtIndex(0), std::out_of_range);
  onScreen().front()->pressButtonAtIndex(0);
  EXPECT_TRUE(weak.expired());
}

TEST_F(PanelTest, BadPressesChangeNothing) {
  auto alert = std::make_shared<UIAlertView>("Info", "x", nullptr, "OK");
  EXPECT_THROW(alert->pressButtonAtIndex(0), std::logic_error);  // not shown
  alert->show();
  EXPECT_THROW(alert->pressButtonAtIndex(1), std::out_of_range);
  EXPECT_THROW(alert->pressButtonAtIndex(-1), std::out_of_range);
  EXPECT_EQ(onScreen().size(), 1u);
}

TEST_F(PanelTest, SheetIndicesRunDestructiveOthersCancel) {
  Recorder recorder;
  UIActionSheet plain("Load/Save file", &recorder, "Cancel", "",
                      {"Load file", "Save generic XML format", "Save in KML format"});
  EXPECT_EQ(plain.buttonTitleAtIndex(3), "Cancel");
  EXPECT_EQ(plain.cancelButtonIndex(), 3);
  EXPECT_EQ(plain.firstOtherButtonIndex(), 0);
  EXPECT_EQ(plain.destructiveButtonIndex(), -1);

  UIActionSheet destructive("t", nullptr, "Cancel", "Delete", {"A"});
  EXPECT_EQ(destructive.buttonTitles(), (std::vector<std::string>{"Delete", "A", "Cancel"}));
  EXPECT_EQ(destructive.destructiveButtonIndex(), 0);
  EXPECT_EQ(destructive.firstOtherButtonIndex(), 1);
  EXPECT_EQ(destructive.cancelButtonIndex(), 2);
}

TEST_F(PanelTest, PanelsStackInOrderShownAndRememberWhereTheyWereShown) {
  Recorder recorder;
  auto item = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemAction);
  auto view = std::make_shared<UIView>();
  auto sheet = std::make_shared<UIActionSheet>("Route type", &recorder, "Cancel", "",
                                               std::vector<std::string>{"Driving", "Walking"});
  sheet->setTag(3);
  sheet->setActionSheetStyle(UIActionSheetStyleBlackTranslucent);
  sheet->showFromBarButtonItem(item, true);
  EXPECT_EQ(sheet->anchorItem(), item);
  auto alert = std::make_shared<UIAlertView>("Error", "x", nullptr, "OK");
  alert->show();
  EXPECT_EQ(UIApplication::sharedApplication().topPanel(), alert);

  // Pressing the lower one takes only it away.
  sheet->pressButtonAtIndex(1);
  ASSERT_EQ(onScreen().size(), 1u);
  EXPECT_EQ(onScreen()[0], alert);
  EXPECT_EQ(recorder.calls, std::vector<std::string>{"sheet 3 Walking"});

  sheet->showInView(view.get());
  EXPECT_EQ(sheet->shownInView(), view.get());
  EXPECT_EQ(sheet->anchorItem(), nullptr);
  EXPECT_EQ(UIApplication::sharedApplication().topPanel(), sheet);
}

TEST_F(PanelTest, ADelegateMayShowAnotherAlertFromItsClick) {
  struct Chain : UIAlertViewDelegate {
    void alertViewClickedButtonAtIndex(UIAlertView*, int) override {
      std::make_shared<UIAlertView>("Error", "Missing filename!", nullptr, "OK")->show();
    }
  } chain;
  auto prompt = std::make_shared<UIAlertView>("Save KML", "\n", &chain, "Cancel",
                                              std::vector<std::string>{"Save"});
  prompt->show();
  prompt->pressButtonAtIndex(1);
  ASSERT_EQ(onScreen().size(), 1u);
  EXPECT_EQ(static_cast<UIAlertView*>(onScreen()[0].get())->message(), "Missing filename!");
}

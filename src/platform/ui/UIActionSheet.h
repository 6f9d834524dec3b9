#pragma once
// A menu of choices: title, an optional destructive button first, the other buttons, and the
// cancel button last. Shown in a view (a phone's sheet from the bottom) or from a bar item (a
// tablet's popover anchored to it, which draws no cancel button: a tap outside the popover
// presses the cancel index).
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/UIBarButtonItem.h"
#include "platform/ui/UIPanelView.h"

namespace tessaly::platform {

class UIActionSheet;

class UIActionSheetDelegate {
 public:
  virtual ~UIActionSheetDelegate() = default;
  virtual void actionSheetClickedButtonAtIndex(UIActionSheet* /*actionSheet*/,
                                               int /*buttonIndex*/) {}
  virtual void actionSheetDidDismissWithButtonIndex(UIActionSheet* /*actionSheet*/,
                                                    int /*buttonIndex*/) {}
};

enum UIActionSheetStyle {
  UIActionSheetStyleAutomatic = -1,
  UIActionSheetStyleDefault = 0,
  UIActionSheetStyleBlackOpaque = 1,
  UIActionSheetStyleBlackTranslucent = 2,
};

class UIActionSheet : public UIPanelView {
 public:
  // initWithTitle:delegate:cancelButtonTitle:destructiveButtonTitle:otherButtonTitles:. Empty
  // titles mean no such button.
  UIActionSheet(std::string title, UIActionSheetDelegate* delegate,
                const std::string& cancelButtonTitle, const std::string& destructiveButtonTitle,
                const std::vector<std::string>& otherButtonTitles);
  std::string kind() const override { return "actionSheet"; }
  std::string_view descriptionKind() const override { return "actionSheet"; }

  UIActionSheetDelegate* delegate() const { return _delegate; }
  void setDelegate(UIActionSheetDelegate* delegate) { _delegate = delegate; }
  UIActionSheetStyle actionSheetStyle() const { return _style; }
  void setActionSheetStyle(UIActionSheetStyle style) { _style = style; }
  int destructiveButtonIndex() const { return _destructiveButtonIndex; }

  void showFromBarButtonItem(std::shared_ptr<UIBarButtonItem> item, bool animated);
  void showInView(UIView* view);
  // Where it was shown: the bar item it is anchored to, or the view it covers (one is null).
  const std::shared_ptr<UIBarButtonItem>& anchorItem() const { return _anchorItem; }
  UIView* shownInView() const { return _shownInView; }

 protected:
  void describeProperties(DescriptionSink& sink) const override;

 private:
  void notifyDelegate(int index) override;

  UIActionSheetDelegate* _delegate;
  UIActionSheetStyle _style = UIActionSheetStyleAutomatic;
  int _destructiveButtonIndex = -1;
  std::shared_ptr<UIBarButtonItem> _anchorItem;
  UIView* _shownInView = nullptr;
};

}  // namespace tessaly::platform

#pragma once
// The base of everything drawn: a rectangle in its superview, its own bounds and its subviews.
// Views are shared (a banner owned by one object is shown inside another's view), so the tree
// holds them by shared_ptr and points up with a plain pointer.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Result.h"
#include "platform/ui/UIColor.h"

namespace tessaly::platform {

class DescriptionSink;
class UIGestureRecognizer;
class UIViewController;
struct DescriptionNode;
struct Touch;

enum UIViewAutoresizing : unsigned {
  UIViewAutoresizingNone = 0,
  UIViewAutoresizingFlexibleLeftMargin = 1 << 0,
  UIViewAutoresizingFlexibleWidth = 1 << 1,
  UIViewAutoresizingFlexibleRightMargin = 1 << 2,
  UIViewAutoresizingFlexibleTopMargin = 1 << 3,
  UIViewAutoresizingFlexibleHeight = 1 << 4,
  UIViewAutoresizingFlexibleBottomMargin = 1 << 5,
};

class UIView : public std::enable_shared_from_this<UIView> {
 public:
  explicit UIView(CGRect frame = CGRectZero);
  virtual ~UIView();
  UIView(const UIView&) = delete;
  UIView& operator=(const UIView&) = delete;

  // A short name of the kind of view, for snapshots and diagnostics ("view", "label", "map").
  virtual std::string kind() const { return "view"; }

  CGRect frame() const { return _frame; }
  virtual void setFrame(CGRect frame);
  // The bounds' origin is the view's own scroll offset; its size follows the frame.
  CGRect bounds() const { return _bounds; }
  virtual void setBounds(CGRect bounds);

  bool isHidden() const { return _hidden; }
  void setHidden(bool hidden) { _hidden = hidden; }
  float alpha() const { return _alpha; }
  void setAlpha(float alpha) { _alpha = alpha; }
  // How this view follows when its superview's size changes (UIViewAutoresizing flags): the
  // change is shared among the flexible margins and size in proportion to their lengths.
  unsigned autoresizingMask() const { return _autoresizingMask; }
  void setAutoresizingMask(unsigned mask) { _autoresizingMask = mask; }
  bool autoresizesSubviews() const { return _autoresizesSubviews; }
  void setAutoresizesSubviews(bool autoresizes) { _autoresizesSubviews = autoresizes; }
  int tag() const { return _tag; }
  void setTag(int tag) { _tag = tag; }
  const UIColor& backgroundColor() const { return _backgroundColor; }
  void setBackgroundColor(const UIColor& color) { _backgroundColor = color; }

  UIView* superview() const { return _superview; }
  const std::vector<std::shared_ptr<UIView>>& subviews() const { return _subviews; }
  // Adding a view that has another superview moves it here.
  void addSubview(std::shared_ptr<UIView> view);
  void removeFromSuperview();
  // The outermost view above this one (the window when the view is on screen).
  UIView* rootView();
  // A point in this view's coordinates in toView's (null: the outermost view's coordinates).
  CGPoint convertPoint(CGPoint point, const UIView* toView) const;

  // Gesture recognisers attached to this view; a recogniser belongs to one view at a time.
  void addGestureRecognizer(std::shared_ptr<UIGestureRecognizer> recognizer);
  void removeGestureRecognizer(const UIGestureRecognizer* recognizer);
  const std::vector<std::shared_ptr<UIGestureRecognizer>>& gestureRecognizers() const {
    return _gestureRecognizers;
  }

  // What the view shows, written as a node of its kind (or, for a controller's view, as that
  // controller's node): the frame, hidden, alpha and background, the kind's own properties, then
  // the children. With a slot the node is the open node's property of that name.
  void describe(DescriptionSink& sink, std::string_view slot = {}) const;
  // The kind's name in a description ("view", "label", "tableView").
  virtual std::string_view descriptionKind() const { return "view"; }
  // Frame (in the sink's frame space), hidden, alpha and a background that is not clear.
  void describeViewState(DescriptionSink& sink) const;
  // The frame measured from the sink's frame space: the window, or the cell being written.
  CGRect frameInSpace(const DescriptionSink& sink) const;
  // The controller whose view this is, or null.
  UIViewController* viewController() const { return _viewController; }

  // A person's touch on this view, already checked to name it with a kind it takes; target is
  // the node it names (the view's own, or one the view writes, such as a map's annotation).
  // Refused with the reason, changing nothing, when the view cannot take it now.
  virtual Result<> applyTouch(const Touch& touch, const DescriptionNode& target);

  // Marks the layout dirty; layoutIfNeeded runs layoutSubviews on this view and its subviews.
  void setNeedsLayout() { _needsLayout = true; }
  void layoutIfNeeded();
  virtual void layoutSubviews() {}
  int layoutPasses() const { return _layoutPasses; }

  // Applies the changes at once and records the duration, so that a renderer can move what
  // changed over that time. The last block to start is the one recorded.
  static void animateWithDuration(double duration, const std::function<void()>& animations);
  // The duration of the last animation block, and how many have run (0 after resetAnimations).
  static double lastAnimationDuration();
  static int animationCount();
  static void resetAnimations();

 protected:
  // The kind's own properties and the nodes inside it (default: the subviews in order).
  virtual void describeProperties(DescriptionSink& /*sink*/) const {}
  virtual void describeChildren(DescriptionSink& sink) const;

 private:
  friend class UIViewController;
  void resizeSubviews(CGSize oldSize);

  CGRect _frame;
  CGRect _bounds;
  bool _hidden = false;
  float _alpha = 1.0f;
  unsigned _autoresizingMask = 0;
  bool _autoresizesSubviews = true;
  int _tag = 0;
  bool _needsLayout = true;
  int _layoutPasses = 0;
  UIColor _backgroundColor;
  UIView* _superview = nullptr;
  UIViewController* _viewController = nullptr;
  std::vector<std::shared_ptr<UIView>> _subviews;
  std::vector<std::shared_ptr<UIGestureRecognizer>> _gestureRecognizers;
};

}  // namespace tessaly::platform

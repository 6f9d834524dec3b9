#pragma once
// The banner below the map: a house banner with no advertising network behind it. The host (or a
// test) decides when it has loaded something, when loading failed, and when the user's touch on
// it starts and ends an action; the banner tells its delegate as the platform's banner would.
#include <set>
#include <string>

#include "platform/foundation/NSError.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

class ADBannerView;

class ADBannerViewDelegate {
 public:
  virtual ~ADBannerViewDelegate() = default;
  virtual void bannerViewDidLoadAd(ADBannerView* /*banner*/) {}
  virtual void bannerViewDidFailToReceiveAdWithError(ADBannerView* /*banner*/,
                                                     const NSError& /*error*/) {}
  // Answers whether the action may proceed.
  virtual bool bannerViewActionShouldBeginWillLeaveApplication(ADBannerView* /*banner*/,
                                                               bool /*willLeave*/) {
    return true;
  }
  virtual void bannerViewActionDidFinish(ADBannerView* /*banner*/) {}
};

// Content sizes: the portrait and landscape banners span the screen's width in that orientation
// and are 50 and 32 points high; the fixed ones are 320x50 and 480x32.
inline const std::string ADBannerContentSizeIdentifierPortrait = "ADBannerContentSizePortrait";
inline const std::string ADBannerContentSizeIdentifierLandscape = "ADBannerContentSizeLandscape";
inline const std::string ADBannerContentSizeIdentifier320x50 = "ADBannerContentSize320x50";
inline const std::string ADBannerContentSizeIdentifier480x32 = "ADBannerContentSize480x32";

class ADBannerView : public UIView {
 public:
  // The banner starts with the portrait content size.
  explicit ADBannerView(CGRect frame = CGRectZero);
  std::string kind() const override { return "banner"; }
  std::string_view descriptionKind() const override { return "banner"; }

  ADBannerViewDelegate* delegate() const { return _delegate; }
  void setDelegate(ADBannerViewDelegate* delegate) { _delegate = delegate; }
  bool isBannerLoaded() const { return _loaded; }
  bool isBannerViewActionInProgress() const { return _actionInProgress; }

  const std::set<std::string>& requiredContentSizeIdentifiers() const { return _required; }
  // Throws std::invalid_argument for an unknown identifier.
  void setRequiredContentSizeIdentifiers(const std::set<std::string>& identifiers);
  const std::string& currentContentSizeIdentifier() const { return _current; }
  // Gives the banner that content size (its frame's size changes, its origin stays). Throws
  // std::invalid_argument for an unknown identifier.
  void setCurrentContentSizeIdentifier(const std::string& identifier);
  // The size of a content size identifier on the current screen.
  static CGSize sizeFromContentSizeIdentifier(const std::string& identifier);

  // Input: something was loaded (delegate hears bannerViewDidLoadAd).
  void loadAd();
  // Input: loading failed; the banner has nothing to show (delegate hears the error).
  void failToReceiveAd(const NSError& error);
  // Input: a touch on a loaded banner. Returns whether its action began (the delegate may
  // refuse; an unloaded banner or one already in its action ignores the touch).
  bool tap(bool willLeaveApplication = false);
  // Input: the banner's action ended (delegate hears bannerViewActionDidFinish).
  void finishAction();

 protected:
  void describeProperties(DescriptionSink& sink) const override;

 private:
  ADBannerViewDelegate* _delegate = nullptr;
  bool _loaded = false;
  bool _actionInProgress = false;
  std::set<std::string> _required;
  std::string _current = ADBannerContentSizeIdentifierPortrait;
};

}  // namespace tessaly::platform

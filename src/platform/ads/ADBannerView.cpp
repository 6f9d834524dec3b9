#include "platform/ads/ADBannerView.h"

#include <stdexcept>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/UIDevice.h"

namespace tessaly::platform {

namespace {

bool isKnown(const std::string& identifier) {
  return identifier == ADBannerContentSizeIdentifierPortrait ||
         identifier == ADBannerContentSizeIdentifierLandscape ||
         identifier == ADBannerContentSizeIdentifier320x50 ||
         identifier == ADBannerContentSizeIdentifier480x32;
}

void check(const std::string& identifier) {
  if (!isKnown(identifier))
    throw std::invalid_argument("unknown banner content size identifier: " + identifier);
}

}  // namespace

ADBannerView::ADBannerView(CGRect frame) : UIView(frame) {
  _required = {ADBannerContentSizeIdentifierPortrait};
  setFrame(CGRectMake(frame.origin.x, frame.origin.y, sizeFromContentSizeIdentifier(_current).width,
                      sizeFromContentSizeIdentifier(_current).height));
}

CGSize ADBannerView::sizeFromContentSizeIdentifier(const std::string& identifier) {
  check(identifier);
  CGSize screen = UIScreen::mainScreen().bounds().size;
  if (identifier == ADBannerContentSizeIdentifierPortrait) return {screen.width, 50};
  if (identifier == ADBannerContentSizeIdentifierLandscape) return {screen.height, 32};
  if (identifier == ADBannerContentSizeIdentifier320x50) return {320, 50};
  return {480, 32};
}

void ADBannerView::setRequiredContentSizeIdentifiers(const std::set<std::string>& identifiers) {
  for (const auto& identifier : identifiers) check(identifier);
  _required = identifiers;
}

void ADBannerView::setCurrentContentSizeIdentifier(const std::string& identifier) {
  CGSize size = sizeFromContentSizeIdentifier(identifier);
  _current = identifier;
  CGRect frame = this->frame();
  frame.size = size;
  setFrame(frame);
}

void ADBannerView::loadAd() {
  _loaded = true;
  if (_delegate != nullptr) _delegate->bannerViewDidLoadAd(this);
}

void ADBannerView::failToReceiveAd(const NSError& error) {
  _loaded = false;
  if (_actionInProgress) finishAction();
  if (_delegate != nullptr) _delegate->bannerViewDidFailToReceiveAdWithError(this, error);
}

bool ADBannerView::tap(bool willLeaveApplication) {
  if (!_loaded || _actionInProgress || isHidden()) return false;
  bool proceed = _delegate == nullptr || _delegate->bannerViewActionShouldBeginWillLeaveApplication(
                                             this, willLeaveApplication);
  if (!proceed) return false;
  // An action that leaves the application ends when the user comes back; either way the host
  // reports the end.
  _actionInProgress = true;
  return true;
}

void ADBannerView::finishAction() {
  if (!_actionInProgress) return;
  _actionInProgress = false;
  if (_delegate != nullptr) _delegate->bannerViewActionDidFinish(this);
}

void ADBannerView::describeProperties(DescriptionSink& sink) const {
  sink.boolean("loaded", _loaded);
  sink.boolean("actionInProgress", _actionInProgress);
  sink.string("contentSize", _current);
}

}  // namespace tessaly::platform

#include "platform/ui/UISearchBar.h"

#include <stdexcept>

#include "platform/ui/DescriptionSink.h"
#include "platform/ui/Touch.h"
#include "platform/ui/UIViewController.h"

namespace tessaly::platform {

bool UISearchBar::becomeFirstResponder() {
  if (_firstResponder) return true;
  if (_delegate != nullptr && !_delegate->searchBarShouldBeginEditing(this)) return false;
  _firstResponder = true;
  return true;
}

bool UISearchBar::resignFirstResponder() {
  if (!_firstResponder) return true;
  if (_delegate != nullptr && !_delegate->searchBarShouldEndEditing(this)) return false;
  _firstResponder = false;
  return true;
}

void UISearchBar::typeText(const std::string& text) {
  if (!_firstResponder && !becomeFirstResponder()) return;
  if (text == _text) return;
  _text = text;
  if (_delegate != nullptr) _delegate->searchBarTextDidChange(this, text);
  if (_displayController != nullptr) _displayController->searchTextChanged(text);
}

void UISearchBar::tapSearchButton() {
  if (_delegate != nullptr) _delegate->searchBarSearchButtonClicked(this);
}

void UISearchBar::tapCancelButton() {
  if (_delegate != nullptr) _delegate->searchBarCancelButtonClicked(this);
}

UISearchDisplayController::UISearchDisplayController(std::shared_ptr<UISearchBar> searchBar,
                                                     UIViewController* contentsController)
    : _searchBar(std::move(searchBar)),
      _contents(contentsController),
      _table(std::make_shared<UITableView>()) {
  if (!_searchBar) throw std::invalid_argument("a search display controller needs a search bar");
  _searchBar->_displayController = this;
  _table->setHidden(true);
  _table->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  if (_contents != nullptr) _contents->_searchDisplayController = this;
}

UISearchDisplayController::~UISearchDisplayController() {
  if (_searchBar->_displayController == this) _searchBar->_displayController = nullptr;
  if (_contents != nullptr && _contents->_searchDisplayController == this)
    _contents->_searchDisplayController = nullptr;
  _table->removeFromSuperview();
}

void UISearchDisplayController::setActive(bool active, bool /*animated*/) {
  if (active == _active) return;
  _active = active;
  if (active) {
    if (_contents != nullptr && _table->superview() == nullptr) {
      const auto& view = _contents->view();
      CGRect bounds = view->bounds();
      // Below the bar, over the rest of the screen's view.
      CGFloat top = CGRectGetMaxY(_searchBar->frame());
      _table->setFrame(
          CGRectMake(bounds.origin.x, top, bounds.size.width, bounds.size.height - top));
      view->addSubview(_table);
    }
    _table->setHidden(false);
    _searchBar->becomeFirstResponder();
  } else {
    _table->setHidden(true);
    _searchBar->resignFirstResponder();
  }
}

void UISearchDisplayController::searchTextChanged(const std::string& text) {
  if (!_active) return;
  if (_delegate == nullptr ||
      _delegate->searchDisplayControllerShouldReloadTableForSearchString(this, text))
    _table->reloadData();
}

bool UISearchBar::isDisplayActive() const {
  return _displayController != nullptr && _displayController->isActive();
}

void UISearchBar::describeProperties(DescriptionSink& sink) const {
  sink.string("text", _text);
  sink.string("placeholder", _placeholder);
  sink.boolean("focused", _firstResponder);
  // An active search display shows the bar's Cancel button.
  sink.boolean("showsCancelButton", _showsCancelButton || isDisplayActive());
  sink.boolean("displayActive", isDisplayActive());
}

Result<> UISearchBar::applyTouch(const Touch& touch, const DescriptionNode& target) {
  switch (touch.kind) {
    case Touch::Kind::TypeText:
      if (!_firstResponder && !becomeFirstResponder())
        return Refusal{"the search bar does not take the focus"};
      typeText(touch.text);
      return done();
    case Touch::Kind::Submit:
      tapSearchButton();
      return done();
    case Touch::Kind::Cancel:
      if (!_showsCancelButton && !isDisplayActive())
        return Refusal{"the search bar shows no Cancel button"};
      tapCancelButton();
      return done();
    default:
      return UIView::applyTouch(touch, target);
  }
}

}  // namespace tessaly::platform

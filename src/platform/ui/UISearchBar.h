#pragma once
// The search field over the map, and its display controller: active while the user searches,
// with a result table over the screen.
#include <memory>
#include <string>

#include "platform/ui/UITableView.h"
#include "platform/ui/UIView.h"

namespace tessaly::platform {

class UISearchBar;
class UISearchDisplayController;
class UIViewController;

class UISearchBarDelegate {
 public:
  virtual ~UISearchBarDelegate() = default;
  virtual bool searchBarShouldBeginEditing(UISearchBar* /*searchBar*/) { return true; }
  virtual bool searchBarShouldEndEditing(UISearchBar* /*searchBar*/) { return true; }
  virtual void searchBarTextDidChange(UISearchBar* /*searchBar*/, const std::string& /*text*/) {}
  virtual void searchBarSearchButtonClicked(UISearchBar* /*searchBar*/) {}
  virtual void searchBarCancelButtonClicked(UISearchBar* /*searchBar*/) {}
};

enum UITextAutocorrectionType {
  UITextAutocorrectionTypeDefault = 0,
  UITextAutocorrectionTypeNo = 1,
  UITextAutocorrectionTypeYes = 2,
};

class UISearchBar : public UIView {
 public:
  using UIView::UIView;
  std::string kind() const override { return "searchBar"; }
  std::string_view descriptionKind() const override { return "searchBar"; }

  const std::string& text() const { return _text; }
  void setText(const std::string& text) { _text = text; }
  const std::string& placeholder() const { return _placeholder; }
  void setPlaceholder(const std::string& placeholder) { _placeholder = placeholder; }
  UISearchBarDelegate* delegate() const { return _delegate; }
  void setDelegate(UISearchBarDelegate* delegate) { _delegate = delegate; }
  bool isTranslucent() const { return _translucent; }
  void setTranslucent(bool translucent) { _translucent = translucent; }
  UITextAutocorrectionType autocorrectionType() const { return _autocorrectionType; }
  void setAutocorrectionType(UITextAutocorrectionType type) { _autocorrectionType = type; }
  bool showsCancelButton() const { return _showsCancelButton; }
  void setShowsCancelButton(bool shows, bool /*animated*/ = false) { _showsCancelButton = shows; }
  // Its search display controller shows the result table.
  bool isDisplayActive() const;

  // Keyboard focus. Beginning asks searchBarShouldBeginEditing, ending asks
  // searchBarShouldEndEditing; each answers whether the focus changed.
  bool becomeFirstResponder();
  bool resignFirstResponder();
  bool isFirstResponder() const { return _firstResponder; }

  // Input: the text as the user has typed it so far (focuses the bar first).
  void typeText(const std::string& text);
  // Input: the keyboard's Search key and the bar's Cancel button.
  void tapSearchButton();
  void tapCancelButton();

 protected:
  void describeProperties(DescriptionSink& sink) const override;
  Result<> applyTouch(const Touch& touch, const DescriptionNode& target) override;

 private:
  friend class UISearchDisplayController;
  bool _showsCancelButton = false;
  std::string _text;
  std::string _placeholder;
  UISearchBarDelegate* _delegate = nullptr;
  bool _translucent = false;
  UITextAutocorrectionType _autocorrectionType = UITextAutocorrectionTypeDefault;
  bool _firstResponder = false;
  UISearchDisplayController* _displayController = nullptr;
};

class UISearchDisplayDelegate {
 public:
  virtual ~UISearchDisplayDelegate() = default;
  virtual bool searchDisplayControllerShouldReloadTableForSearchString(
      UISearchDisplayController* /*controller*/, const std::string& /*searchString*/) {
    return true;
  }
  virtual bool searchDisplayControllerShouldReloadTableForSearchScope(
      UISearchDisplayController* /*controller*/, int /*scope*/) {
    return true;
  }
};

class UISearchDisplayController {
 public:
  // initWithSearchBar:contentsController:. Whoever makes it keeps it; the contents controller
  // points to it as its searchDisplayController until it goes away.
  UISearchDisplayController(std::shared_ptr<UISearchBar> searchBar,
                            UIViewController* contentsController);
  ~UISearchDisplayController();
  UISearchDisplayController(const UISearchDisplayController&) = delete;
  UISearchDisplayController& operator=(const UISearchDisplayController&) = delete;

  const std::shared_ptr<UISearchBar>& searchBar() const { return _searchBar; }
  UIViewController* searchContentsController() const { return _contents; }
  // The result table: on the contents controller's view, shown only while active.
  const std::shared_ptr<UITableView>& searchResultsTableView() const { return _table; }
  UISearchDisplayDelegate* delegate() const { return _delegate; }
  void setDelegate(UISearchDisplayDelegate* delegate) { _delegate = delegate; }
  void setSearchResultsDataSource(UITableViewDataSource* dataSource) {
    _table->setDataSource(dataSource);
  }
  void setSearchResultsDelegate(UITableViewDelegate* delegate) { _table->setDelegate(delegate); }

  bool isActive() const { return _active; }
  // Activating focuses the bar and shows the result table; deactivating hides the table and
  // takes the focus away from the bar.
  void setActive(bool active, bool animated);

 private:
  friend class UISearchBar;
  void searchTextChanged(const std::string& text);

  std::shared_ptr<UISearchBar> _searchBar;
  UIViewController* _contents;
  std::shared_ptr<UITableView> _table;
  UISearchDisplayDelegate* _delegate = nullptr;
  bool _active = false;
};

}  // namespace tessaly::platform

#include "files/LoadFileViewController.h"

#include "files/RouteFileStore.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/ui/UIDevice.h"
#include "platform/ui/UINavigationController.h"

namespace tessaly {

namespace p = tessaly::platform;

namespace {

bool isTablet() {
  return p::UIDevice::currentDevice().userInterfaceIdiom() == p::UIUserInterfaceIdiomPad;
}

const p::UIColor kXMLNameColor = p::UIColor::colorWithRedGreenBlueAlpha(0, 0, 1, 1);
const p::UIColor kKMLNameColor = p::UIColor::colorWithRedGreenBlueAlpha(0.5f, 0.5f, 0.5f, 1);
// A phone's table leaves room for the navigation bar above it.
constexpr float kPhoneTableInset = 44;

}  // namespace

LoadFileViewController::LoadFileViewController() {
  setTitle(p::NSLocalizedString("KChooseFile", "Choose file"));
  _editButton = std::make_shared<p::UIBarButtonItem>(
      "Edit", p::UIBarButtonItemStyleBordered,
      [this](p::UIBarButtonItem*) { setEditing(!_editing, true); });
  navigationItem().setRightBarButtonItem(_editButton);
  if (isTablet()) {
    navigationItem().setLeftBarButtonItem(std::make_shared<p::UIBarButtonItem>(
        "Back", p::UIBarButtonItemStyleDone, [this](p::UIBarButtonItem*) { backButton(); }));
  }
}

void LoadFileViewController::loadView() {
  p::CGRect frame = p::UIScreen::mainScreen().applicationFrame();
  auto view = std::make_shared<p::UIView>(frame);
  p::CGRect tableFrame = p::CGRectMake(0, 0, frame.size.width, frame.size.height);
  if (!isTablet()) {
    tableFrame.origin.y = kPhoneTableInset;
    tableFrame.size.height -= kPhoneTableInset;
  }
  _tableView = std::make_shared<p::UITableView>(tableFrame);
  _tableView->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth |
                                  p::UIViewAutoresizingFlexibleHeight);
  _tableView->setDataSource(this);
  _tableView->setDelegate(this);
  view->addSubview(_tableView);
  setView(view);
}

void LoadFileViewController::viewDidLoad() {}

bool LoadFileViewController::shouldAutorotateToInterfaceOrientation(int) {
  return isTablet();
}

void LoadFileViewController::loadFiles() {
  _cfCells0.clear();
  for (const RouteFileStore::Listed& file : RouteFileStore::list(p::documentsDirectory())) {
    FileRow row;
    row.cell = std::make_shared<CellWithControl>(p::UITableViewCellStyleDefault, kCellID);
    row.title = std::make_shared<TView>(p::CGRectZero);
    row.title->setName(file.name);
    row.title->setNameColor(file.isXML ? kXMLNameColor : kKMLNameColor);
    row.title->setDetails(RouteFileStore::createDetails(file.modified, file.size));
    row.image = std::make_shared<p::UIImage>(file.isXML ? "xml.png" : "kml.png");
    // Shown at the row's left, in the room the hosted view's offset leaves.
    row.cell->imageView()->setImage(row.image);
    row.cell->setTag(file.isXML ? kXMLRowTag : kKMLRowTag);
    row.cell->setSubviewOffset(kSubviewOffset);
    row.cell->setSelectionStyle(p::UITableViewCellSelectionStyleGray);
    row.cell->textLabel()->setTextColor(p::UIColor::clearColor());
    row.cell->setView(row.title);
    _cfCells0.push_back(std::move(row));
  }
  if (_cfCells0.empty()) _editButton->setEnabled(false);
  view();
  _tableView->reloadData();
}

int LoadFileViewController::tableViewNumberOfRowsInSection(p::UITableView*, int section) {
  return section == 0 ? static_cast<int>(_cfCells0.size()) : 0;
}

std::shared_ptr<p::UITableViewCell> LoadFileViewController::tableViewCellForRowAtIndexPath(
    p::UITableView*, const p::NSIndexPath& indexPath) {
  if (indexPath.section != 0 || indexPath.row < 0 ||
      indexPath.row >= static_cast<int>(_cfCells0.size())) {
    return nullptr;
  }
  return _cfCells0[static_cast<std::size_t>(indexPath.row)].cell;
}

std::string LoadFileViewController::tableViewTitleForFooterInSection(p::UITableView*, int) {
  return _cfCells0.empty()
             ? p::NSLocalizedString("KNoFiles", "No files found.")
             : p::NSLocalizedString("KFormatNote",
                                    "KML files (in gray) are handled by an external app if "
                                    "available");
}

void LoadFileViewController::tableViewDidSelectRowAtIndexPath(p::UITableView*,
                                                              const p::NSIndexPath& indexPath) {
  if (_editing || indexPath.section != 0 || indexPath.row < 0 ||
      indexPath.row >= static_cast<int>(_cfCells0.size())) {
    return;
  }
  const std::string name = _cfCells0[static_cast<std::size_t>(indexPath.row)].title->getName();
  const std::string path = p::documentsDirectory() + "/" + name;
  if (RouteFileStore::extensionIs(name, "xml")) {
    p::logf("Load local %s", path.c_str());
    parseFile(path);
  } else if (RouteFileStore::extensionIs(name, "kml")) {
    p::logf("Load external %s", path.c_str());
    _interaction = p::UIDocumentInteractionController::interactionControllerWithPath(path);
    bool shown = _interaction->presentOpenInMenu();
    // The menu is synchronous here: once it answered, the controller is done either way.
    _interaction.reset();
    if (!shown && _delegate != nullptr) _delegate->showInfo(kNoKMLHandler);
  }
}

void LoadFileViewController::parseFile(const std::string& path) {
  RouteFileReader::Result result = RouteFileReader::parseFile(path);
  switch (result.outcome) {
    case RouteFileReader::Outcome::Unreadable:
      return;
    case RouteFileReader::Outcome::Failed:
    case RouteFileReader::Outcome::NoData:
      if (_delegate != nullptr) _delegate->showError(result.message);
      return;
    case RouteFileReader::Outcome::Loaded:
      break;
  }
  // Close first: the delegate may be the screen underneath, which then redraws the path.
  LoadFileViewControllerDelegate* delegate = _delegate;
  auto keepAlive = shared_from_this();
  close();
  if (delegate != nullptr) delegate->didLoadRouteFile(result.entries);
}

void LoadFileViewController::close() {
  if (isTablet()) {
    backButton();
  } else if (p::UINavigationController* nav = navigationController()) {
    nav->popViewControllerAnimated(true);
  }
}

void LoadFileViewController::backButton() {
  if (p::UIViewController* presenting = presentingViewController()) {
    presenting->dismissViewControllerAnimated(true);
  }
}

void LoadFileViewController::setEditing(bool editing, bool animated) {
  _editing = editing;
  if (_tableView) _tableView->setEditing(editing, animated);
  _editButton->setTitle(editing ? "Done" : "Edit");
  _editButton->setStyle(editing ? p::UIBarButtonItemStyleDone : p::UIBarButtonItemStyleBordered);
  if (_cfCells0.empty()) _editButton->setEnabled(false);
}

void LoadFileViewController::tableViewCommitEditingStyleForRowAtIndexPath(
    p::UITableView*, p::UITableViewCellEditingStyle style, const p::NSIndexPath& indexPath) {
  if (style != p::UITableViewCellEditingStyleDelete || indexPath.section != 0 ||
      indexPath.row < 0 || indexPath.row >= static_cast<int>(_cfCells0.size())) {
    return;
  }
  auto at = _cfCells0.begin() + indexPath.row;
  RouteFileStore::remove(p::documentsDirectory(), at->title->getName());  // a failure is ignored
  _cfCells0.erase(at);
  _tableView->deleteRowsAtIndexPaths({indexPath}, p::UITableViewRowAnimationFade);
  if (_cfCells0.empty()) {
    setEditing(false, false);
    // The footer now says that there are no files.
    _tableView->reloadData();
  }
}

}  // namespace tessaly

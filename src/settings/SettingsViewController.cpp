#include "settings/SettingsViewController.h"

#include "appdata/AppData.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/UIDevice.h"
#include "platform/ui/UINavigationController.h"
#include "platform/ui/UISegmentedControl.h"
#include "platform/ui/UISwitch.h"

namespace tessaly {

namespace p = tessaly::platform;

namespace {

bool isTablet() {
  return p::UIDevice::currentDevice().userInterfaceIdiom() == p::UIUserInterfaceIdiomPad;
}

const p::UIColor kBackgroundColor =
    p::UIColor::colorWithRedGreenBlueAlpha(231 / 255.0f, 232 / 255.0f, 233 / 255.0f, 1);
const p::UIColor kSegmentTintColor =
    p::UIColor::colorWithRedGreenBlueAlpha(74 / 255.0f, 172 / 255.0f, 244 / 255.0f, 1);

}  // namespace

SettingsViewController::SettingsViewController() {
  setTitle(p::NSLocalizedString("kConfigTitle", "Settings"));
}

void SettingsViewController::loadView() {
  p::CGRect frame = p::UIScreen::mainScreen().applicationFrame();
  float inset = isTablet() ? 0 : kPhoneTableInset;
  // The buttons call back through a weak reference: they live as long as the screen does.
  std::weak_ptr<p::UIViewController> weakSelf = weak_from_this();
  auto later = [weakSelf](void (SettingsViewController::*method)()) {
    return [weakSelf, method](p::UIBarButtonItem*) {
      if (auto self = weakSelf.lock()) (static_cast<SettingsViewController&>(*self).*method)();
    };
  };
  if (isTablet()) {
    navigationItem().setLeftBarButtonItem(std::make_shared<p::UIBarButtonItem>(
        "Back", p::UIBarButtonItemStyleDone, later(&SettingsViewController::backButton)));
  }
  navigationItem().setRightBarButtonItem(std::make_shared<p::UIBarButtonItem>(
      p::UIBarButtonSystemItemSave, later(&SettingsViewController::saveButton)));

  auto view = std::make_shared<p::UIView>(frame);
  view->setBackgroundColor(kBackgroundColor);
  view->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth |
                            p::UIViewAutoresizingFlexibleHeight);

  const AppData& settings = AppData::sharedInstance();
  _cfCells0.clear();
  _cfCells0.push_back(createSwitchCell(p::NSLocalizedString("kHome", "Current position"),
                                       (settings.currentlocation() & 0xFF) != 0,
                                       kCurrentLocationTag));
  _cfCells0.push_back(createSegmentCell(p::NSLocalizedString("kMapType", "Map type"),
                                        {"Map", "Satelite", "Hybrid"}, settings.maptype(),
                                        kMapTypeTag));
  _cfCells0.push_back(createSegmentCell(p::NSLocalizedString("kUnit", "Unit"),
                                        {"km", "mi", "m", "yd", "nm"}, settings.unit(), kUnitTag));

  _tableView = std::make_shared<p::UITableView>(
      p::CGRectMake(0, inset, frame.size.width, frame.size.height - inset),
      p::UITableViewStyleGrouped);
  _tableView->setAutoresizingMask(p::UIViewAutoresizingFlexibleWidth |
                                  p::UIViewAutoresizingFlexibleHeight);
  _tableView->setDelegate(this);
  _tableView->setDataSource(this);
  _tableView->setBackgroundColor(kBackgroundColor);
  view->addSubview(_tableView);
  setView(view);
  _tableView->reloadData();
}

std::shared_ptr<CellWithControl> SettingsViewController::createSwitchCell(const std::string& title,
                                                                          bool on, int tag) {
  auto cell =
      std::make_shared<CellWithControl>(p::UITableViewCellStyleDefault, kCellWithControl_ID);
  cell->textLabel()->setText(title);
  cell->textLabel()->setFont(p::UIFont::systemFontOfSize(p::UIFont::labelFontSize()));
  auto control = std::make_shared<p::UISwitch>();
  control->setOn(on);
  control->setTag(tag);
  control->addTarget([this](p::UIControl*) { switchAction(); }, p::UIControlEventValueChanged);
  cell->setTag(tag);
  cell->setSubviewOffset(kSwitchOffset);
  cell->setShrinkY(kSwitchShrinkY);
  cell->setView(control);
  return cell;
}

std::shared_ptr<CellWithControl> SettingsViewController::createSegmentCell(
    const std::string& title, const std::vector<std::string>& items, int selectedIndex, int tag) {
  auto cell =
      std::make_shared<CellWithControl>(p::UITableViewCellStyleDefault, kCellWithControl_ID);
  cell->textLabel()->setText(title);
  cell->textLabel()->setFont(p::UIFont::systemFontOfSize(p::UIFont::labelFontSize()));
  auto control = std::make_shared<p::UISegmentedControl>(items);
  // A stored code that is no segment (a hand-edited file) selects none.
  control->setSelectedSegmentIndex(selectedIndex);
  control->setSegmentedControlStyle(p::UISegmentedControlStyleBar);
  control->setTintColor(kSegmentTintColor);
  control->setTag(tag);
  control->addTarget([this](p::UIControl*) { segmentAction(); }, p::UIControlEventValueChanged);
  cell->setTag(tag);
  cell->setSubviewOffset(kSegmentOffset);
  cell->setShrinkY(kSegmentShrinkY);
  cell->setView(control);
  return cell;
}

void SettingsViewController::viewWillAppear(bool /*animated*/) {
  if (!_tableView) return;
  if (auto selected = _tableView->indexPathForSelectedRow())
    _tableView->deselectRowAtIndexPath(*selected, false);
}

bool SettingsViewController::shouldAutorotate() {
  return isTablet();
}

unsigned SettingsViewController::supportedInterfaceOrientations() {
  return isTablet() ? p::UIInterfaceOrientationMaskAll : p::UIInterfaceOrientationMaskPortrait;
}

bool SettingsViewController::shouldAutorotateToInterfaceOrientation(int /*orientation*/) {
  return isTablet();
}

void SettingsViewController::saveButton() {
  AppData& settings = AppData::sharedInstance();
  settings.setMaptype(getSegSwitchByTag(kMapTypeTag));
  settings.setUnit(getSegSwitchByTag(kUnitTag));
  settings.setCurrentlocation(getCellSwitchByTag(kCurrentLocationTag) ? 1 : 0);
  settings.saveSettings();
  // Closing lets go of this screen; it must outlive its own button's action.
  auto keepAlive = shared_from_this();
  if (isTablet()) {
    backButton();
  } else if (p::UINavigationController* nav = navigationController()) {
    nav->popViewControllerAnimated(true);
  }
  p::NotificationCenter::defaultCenter().postNotificationName(kAppSettingsNotification);
}

void SettingsViewController::backButton() {
  auto keepAlive = shared_from_this();
  if (p::UIViewController* presenting = presentingViewController())
    presenting->dismissViewControllerAnimated(true);
}

int SettingsViewController::findCellIndexByTag(int tag, const Cells** cells) const {
  if (cells != nullptr) *cells = &_cfCells0;
  for (std::size_t i = 0; i < _cfCells0.size(); ++i)
    if (_cfCells0[i]->tag() == tag) return static_cast<int>(i);
  p::logf("%s %d NOT FOUND", __func__, tag);
  return -1;
}

std::shared_ptr<p::UIView> SettingsViewController::controlByTag(int tag) const {
  int index = findCellIndexByTag(tag);
  return index < 0 ? nullptr : _cfCells0[static_cast<std::size_t>(index)]->view();
}

bool SettingsViewController::getCellSwitchByTag(int tag) const {
  auto control = std::dynamic_pointer_cast<p::UISwitch>(controlByTag(tag));
  return control && control->isOn();
}

int SettingsViewController::getSegSwitchByTag(int tag) const {
  auto control = std::dynamic_pointer_cast<p::UISegmentedControl>(controlByTag(tag));
  return control ? control->selectedSegmentIndex() : -1;
}

int SettingsViewController::tableViewNumberOfRowsInSection(p::UITableView*, int section) {
  return section == 0 ? static_cast<int>(_cfCells0.size()) : 0;
}

std::shared_ptr<p::UITableViewCell> SettingsViewController::tableViewCellForRowAtIndexPath(
    p::UITableView*, const p::NSIndexPath& indexPath) {
  if (indexPath.section != 0 || indexPath.row < 0 ||
      indexPath.row >= static_cast<int>(_cfCells0.size()))
    return nullptr;
  return _cfCells0[static_cast<std::size_t>(indexPath.row)];
}

}  // namespace tessaly

// Every kind of the screen vocabulary and the drawer that draws it. A kind missing here is a
// kind the page cannot draw (a unit test compares this list with docs/screens.md).
import { register } from './draw.js';
import * as controls from './controls.js';
import * as bars from './bars.js';
import * as navigation from './navigation.js';
import * as panels from './panels.js';
import * as tables from './tables.js';
import { searchBar } from './search.js';
import { webView } from './webview.js';
import { mapView } from './map.js';
import { annotationView, polylineView, overlayView } from './annotations.js';
import { banner } from './banner.js';

const KINDS = {
  window: navigation.windowKind,
  statusBar: bars.statusBar,
  view: controls.view,
  label: controls.label,
  imageView: controls.imageView,
  button: controls.buttonKind,
  barButtonItem: bars.barButtonItem,
  viewController: navigation.viewController,
  navigationController: navigation.navigationController,
  navigationBar: bars.navigationBar,
  toolbar: bars.toolbar,
  alert: panels.alert,
  actionSheet: panels.actionSheet,
  textField: controls.textField,
  switch: controls.switchKind,
  segmentedControl: controls.segmentedControl,
  activityIndicator: controls.activityIndicator,
  tableView: tables.tableView,
  tableViewCell: tables.tableViewCell,
  searchBar,
  webView,
  mapView,
  annotationView,
  polylineView,
  overlayView,
  banner,
};

for (const [kind, drawer] of Object.entries(KINDS)) register(kind, drawer);

export default KINDS;

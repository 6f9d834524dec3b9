// The page's pure geometry: the map shows exactly the rectangle it is given, paths across 180
// degrees stay continuous, callouts and popovers stay on screen, targets and labels fit.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import {
  WORLD, TILE, latForY, yForLat, lonForX, wrapLongitude, nearestCopy, continuousPath, viewForMapRect,
  regionForView, latitudeSpanForHeight, sameMapRect, panToShow, popoverPlacement, touchTarget, fittingFontSize,
  screenTurn, turnTransform,
} from '../../resources/web/page/geometry.js';

const close = (a, b, eps, what) => assert.ok(Math.abs(a - b) <= eps, `${what}: ${a} vs ${b}`);

test('a map rectangle is shown with its centre and the zoom that fits its width', () => {
  for (const [lat, lon, width, frameWidth] of [[43.73, 7.42, WORLD / 4096, 390], [-33.9, 151.2, WORLD / 8, 1180],
    [0, 179.9, WORLD / 64, 393]]) {
    const rect = { x: ((lon + 180) / 360) * WORLD - width / 2, y: yForLat(lat) - width, width, height: 2 * width };
    const view = viewForMapRect(rect, frameWidth);
    close(view.center[1], lon, 1e-9, 'longitude');
    close(yForLat(view.center[0]), rect.y + rect.height / 2, 1e-3, 'centre y');
    // At that zoom the view's width in world pixels is the rectangle's width.
    close((frameWidth / (TILE * 2 ** view.zoom)) * WORLD, width, 1e-6 * width, 'width');
  }
  close(latForY(yForLat(60)), 60, 1e-9, 'latitude round trip');
  close(lonForX(WORLD / 2), 0, 1e-12, 'x of longitude 0');
});

test('the region reported after a move has the view shape and wrapped centre', () => {
  const r = regionForView({ lat: 10, lng: 190 }, 3, { x: 400, y: 800 });
  assert.equal(r.center.longitude, -170);
  close(r.span.longitudeDelta, (360 * 400) / (TILE * 8), 1e-9, 'longitude span');
  assert.ok(r.span.latitudeDelta > r.span.longitudeDelta, 'a tall view spans more latitude');
  const world = regionForView({ lat: 0, lng: 0 }, -2, { x: 4000, y: 4000 });
  assert.ok(world.span.longitudeDelta <= 360 && world.span.latitudeDelta <= 180);
  assert.ok(sameMapRect({ x: 0, y: 0, width: 1000, height: 2000 }, { x: 0.01, y: 0, width: 1000, height: 2000 }, 400));
  assert.ok(!sameMapRect({ x: 0, y: 0, width: 1000, height: 2000 }, { x: 10, y: 0, width: 1000, height: 2000 }, 400));
});

test('the region reported after a move measures to the height the view shows', () => {
  // The application's rectangle of a region: half the latitude span up and down from the centre.
  const heightOf = (r) => yForLat(r.center.latitude - r.span.latitudeDelta / 2) -
    yForLat(r.center.latitude + r.span.latitudeDelta / 2);
  for (const [lat, zoom, size] of [[0, 2.3, { x: 390, y: 700 }], [60, 9.7, { x: 320, y: 460 }],
    [-45, 15.2, { x: 1024, y: 660 }], [80, 4, { x: 390, y: 844 }]]) {
    const r = regionForView({ lat, lng: 10 }, zoom, { x: size.x, y: size.y });
    const height = (size.y / (TILE * 2 ** zoom)) * WORLD;
    close(heightOf(r), height, height * 1e-9, `height at latitude ${lat}`);
  }
  // More than the world from top to bottom: the whole latitude range.
  assert.equal(latitudeSpanForHeight(0, WORLD * 1.5), 180);
});

test('longitudes wrap, and paths across 180 degrees stay on one copy of the world', () => {
  assert.deepEqual([190, -190, 180, -180, 540, 0].map(wrapLongitude), [-170, 170, 180, -180, 180, 0]);
  assert.equal(nearestCopy(-179.7, 179.5), 180.3);
  assert.equal(nearestCopy(10, -170), 10);
  const path = continuousPath([[10, 179.8], [10.2, -179.7], [10.4, -179.2], [10, 179.9]], 179.5);
  assert.deepEqual(path.map((p) => Math.round(p[1] * 10) / 10), [179.8, 180.3, 180.8, 179.9]);
  // Seen from the other side of the world the same path moves as a whole.
  const west = continuousPath([[0, 179.8], [0, -179.7]], -179);
  assert.deepEqual(west.map((p) => Math.round(p[1] * 10) / 10), [-180.2, -179.7]);
  assert.deepEqual(continuousPath([]), []);
});

test('a callout outside the view moves the map just enough to show it whole', () => {
  const view = { x: 0, y: 64, width: 390, height: 592 };
  assert.deepEqual(panToShow({ x: 100, y: 200, width: 150, height: 50 }, view), { dx: 0, dy: 0 });
  assert.deepEqual(panToShow({ x: -60, y: 200, width: 150, height: 50 }, view), { dx: 68, dy: 0 });
  assert.deepEqual(panToShow({ x: 300, y: 30, width: 150, height: 50 }, view), { dx: -68, dy: 42 });
  assert.deepEqual(panToShow({ x: 100, y: 640, width: 150, height: 50 }, view), { dx: 0, dy: -42 });
  // Wider than the view: its start shows.
  assert.deepEqual(panToShow({ x: -20, y: 200, width: 500, height: 50 }, view), { dx: 28, dy: 0 });
});

test('a popover points at its anchor and stays inside the screen', () => {
  const screen = { width: 820, height: 1180 };
  const bottomLeft = popoverPlacement({ x: 4, y: 1136, width: 44, height: 44 }, { width: 280, height: 150 }, screen);
  assert.deepEqual(bottomLeft, { x: 8, y: 978, below: false, arrowX: 18 });
  const topRight = popoverPlacement({ x: 770, y: 20, width: 44, height: 44 }, { width: 280, height: 150 }, screen);
  assert.equal(topRight.below, true);
  assert.equal(topRight.x, 820 - 280 - 8);
  assert.equal(topRight.y, 72);
  assert.equal(topRight.x + topRight.arrowX, 792);
});

test('touch targets grow to 44 points around their centre; long texts shrink to fit', () => {
  assert.deepEqual(touchTarget({ x: 8, y: 30, width: 24, height: 24 }), { x: -2, y: 20, width: 44, height: 44 });
  assert.deepEqual(touchTarget({ x: 0, y: 0, width: 60, height: 50 }), { x: 0, y: 0, width: 60, height: 50 });
  assert.equal(fittingFontSize(50, 14, 60), 14);
  assert.equal(fittingFontSize(120, 14, 60), 8, "never below 8");
  assert.equal(fittingFontSize(80, 14, 60), 10.5);
});

test('a screen that stays upright in a turned window is drawn turned with the device, whole', () => {
  const phone = { width: 390, height: 800 };
  // Screens that turn with the window are drawn as they are.
  assert.deepEqual(screenTurn(phone, { width: 390, height: 800 }, 'portrait'), { angle: 0, width: 390, height: 800 });
  assert.deepEqual(screenTurn({ width: 800, height: 390 }, { width: 800, height: 390 }, 'landscapeLeft'),
    { angle: 0, width: 800, height: 390 });
  assert.equal(turnTransform({ angle: 0 }, phone), '');
  // An upright screen in a landscape window takes the window's shape, its top at the device's top.
  const left = screenTurn(phone, { width: 800, height: 390 }, 'landscapeLeft');
  assert.deepEqual(left, { angle: -90, width: 800, height: 390 });
  assert.equal(screenTurn(phone, { width: 800, height: 390 }, 'landscapeRight').angle, 90);
  // The transforms move the turned box back to the window's top left: its corners land on
  // (0, 0) and (800, 390).
  const corners = (angle, [tx, ty]) => [[0, 0], [390, 800]].map(([x, y]) => {
    const r = (angle * Math.PI) / 180;
    return [Math.round(x * Math.cos(r) - y * Math.sin(r) + tx), Math.round(x * Math.sin(r) + y * Math.cos(r) + ty)];
  });
  for (const angle of [-90, 90]) {
    const t = turnTransform({ angle }, phone);
    const shift = [Number((t.match(/translateX\((\d+)px\)/) || [0, 0])[1]), Number((t.match(/translateY\((\d+)px\)/) || [0, 0])[1])];
    const xs = corners(angle, shift).map((c) => c[0]).sort((a, b) => a - b);
    const ys = corners(angle, shift).map((c) => c[1]).sort((a, b) => a - b);
    assert.deepEqual([xs, ys], [[0, 800], [0, 390]], `${angle}: ${t}`);
  }
  // No size yet, or a square: nothing to turn.
  assert.equal(screenTurn({ width: 0, height: 0 }, { width: 800, height: 390 }, 'landscapeLeft').angle, 0);
});

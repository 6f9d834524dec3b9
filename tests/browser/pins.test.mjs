// Pins land under the finger: on a tall phone, a short phone and a tablet, at the start view and
// zoomed in, the drawn pin's tip stands within 3 px of the ground that was pressed, and the page
// shows exactly the map rectangle the application describes.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { startProgram, launchBrowser, fingerLongPress, mouseLongPress, post } from './harness.mjs';
import { screenArea } from '../../resources/web/page/tools.js';
import { findKind } from '../../resources/web/page/tree.js';

const WORLD = 268435456;
const TOLERANCE = 3;
// Where to press, as fractions of the map view: corners, edges and the middle.
const PRESSES = [[0.15, 0.22], [0.82, 0.3], [0.5, 0.55], [0.2, 0.8], [0.86, 0.9]];

const opened = [];
after(async () => {
  for (const { browser, server } of opened) {
    await browser.close().catch(() => {});
    assert.equal(await server.stop(), 0);
  }
});

// The program and the page drawn from its screen tree, in a browser of one kind.
async function open(viewport, touch) {
  const server = await startProgram(['--device', 'auto']);
  const browser = await launchBrowser();
  opened.push({ server, browser });
  const context = await browser.newContext({ viewport, hasTouch: touch, isMobile: touch });
  const page = await context.newPage();
  page.on('pageerror', (e) => console.error('page error:', e.message));
  await page.goto(server.url);
  await page.waitForFunction((w) => {
    const t = window.tessaly;
    return t && t.state && t.state.device && t.state.device.screen.width === w && t.maps && t.maps.size === 1;
  }, screenArea(viewport.width, viewport.height).width);
  return { server, page, press: touch ? fingerLongPress : mouseLongPress };
}

const mapNode = async (page) => findKind(await page.evaluate(() => window.tessaly.state.screen), 'mapView')[0];
const pinsOf = (map) => map.annotations.filter((a) => a.view === 'pin');

// Until the page has drawn the latest state, the map is still, and nothing has changed for a while.
async function settle(page) {
  let last = null;
  let still = 0;
  for (let i = 0; i < 200 && still < 8; i++) {
    await page.waitForTimeout(50);
    const now = await page.evaluate(() => {
      const [m] = window.tessaly.maps.values();
      const c = m.map.getCenter();
      return JSON.stringify([window.tessaly.version, m.moving, c.lat, c.lng, m.map.getZoom(),
        document.getAnimations().filter((a) => a.playState === 'running').length]);
    });
    still = now === last && !JSON.parse(now)[1] && JSON.parse(now)[5] === 0 ? still + 1 : 0;
    last = now;
  }
}

// The drawn map is the description's map rectangle: its corners in map points, measured on
// Leaflet's own projection, against the rectangle, to a pixel.
async function expectShownAsDescribed(page, what) {
  const map = await mapNode(page);
  const shown = await page.evaluate(() => {
    const [m] = window.tessaly.maps.values();
    const size = m.map.getSize();
    return [m.map.containerPointToLatLng([0, 0]), m.map.containerPointToLatLng([size.x, size.y]), size];
  });
  const x = (ll) => ((ll.lng + 180) / 360) * WORLD;
  const y = (ll) => {
    const s = Math.sin((ll.lat * Math.PI) / 180);
    return (0.5 - Math.log((1 + s) / (1 - s)) / (4 * Math.PI)) * WORLD;
  };
  const r = map.mapRect;
  const perPixel = r.width / map.frame.width;
  assert.ok(Math.abs(r.width / r.height - map.frame.width / map.frame.height) < 1e-6,
    `${what}: the rectangle has the view's shape: ${JSON.stringify(r)} in ${JSON.stringify(map.frame)}`);
  const off = [x(shown[0]) - r.x, y(shown[0]) - r.y, x(shown[1]) - (r.x + r.width), y(shown[1]) - (r.y + r.height)]
    .map((d) => d / perPixel);
  assert.ok(off.every((d) => Math.abs(d) <= 1), `${what}: the drawn map is off the description by ${off} px`);
  return map;
}

// Long presses at the points of PRESSES; each new pin's needle tip must stand on the ground
// pressed, wherever an opened callout has moved the map since.
async function pressAndMeasure({ server, page, press }, what) {
  for (const [fx, fy] of PRESSES) {
    let map = await mapNode(page);
    for (const a of map.annotations.filter((n) => n.selected))
      await post(server.origin, { type: 'deselectAnnotation', id: a.id });
    await page.waitForFunction(() => !document.querySelector('.leaflet-popup'));
    await settle(page);
    map = await mapNode(page);
    const before = pinsOf(map).length;
    const at = { x: Math.round(map.frame.width * fx), y: Math.round(map.frame.height * fy) };
    const ground = await page.evaluate((p) => {
      const [m] = window.tessaly.maps.values();
      return m.map.containerPointToLatLng([p.x, p.y]);
    }, at);
    await press(page, at.x, at.y, '.map-canvas');
    await page.waitForFunction((n) => document.querySelectorAll('.pin .needle').length === n, before + 1);
    await settle(page);
    map = await mapNode(page);
    const added = pinsOf(map).at(-1);
    assert.equal(pinsOf(map).length, before + 1, `${what}: one pin for the press at ${JSON.stringify(at)}`);
    const measured = await page.evaluate(({ id, ll }) => {
      const [m] = window.tessaly.maps.values();
      const host = m.map.getContainer().getBoundingClientRect();
      const needle = document.querySelector(`[data-annotation="${id}"] .needle`).getBoundingClientRect();
      const g = m.map.latLngToContainerPoint(ll);
      return { tip: { x: needle.left + needle.width / 2 - host.left, y: needle.bottom - host.top }, ground: g };
    }, { id: added.id, ll: ground });
    const miss = Math.hypot(measured.tip.x - measured.ground.x, measured.tip.y - measured.ground.y);
    assert.ok(miss <= TOLERANCE, `${what}: pressed at ${JSON.stringify(at)}, the pin's tip is ${miss.toFixed(1)} px ` +
      `off the ground pressed: ${JSON.stringify(measured)}`);
  }
}

// Zooms in with the mouse wheel over the middle of the map, to a fractional zoom.
async function zoomIn(page) {
  const map = await mapNode(page);
  const box = await page.locator('.map-canvas').boundingBox();
  await page.mouse.move(box.x + map.frame.width / 2, box.y + map.frame.height / 2);
  for (let i = 0; i < 3; i++) {
    await page.mouse.wheel(0, -170);
    await page.waitForTimeout(150);
  }
  await settle(page);
  const zoomed = await mapNode(page);
  assert.ok(zoomed.mapRect.width < map.mapRect.width / 4, `zoomed in: ${map.mapRect.width} to ${zoomed.mapRect.width}`);
}

for (const [name, viewport, touch] of [['a tall phone', { width: 390, height: 844 }, true],
  ['a short phone', { width: 320, height: 568 }, true], ['a tablet', { width: 1024, height: 768 }, false]]) {
  test(`pins land under the finger on ${name}, at the start view and zoomed in`, async () => {
    const app = await open(viewport, touch);
    await settle(app.page);
    await expectShownAsDescribed(app.page, `${name} at the start`);
    await pressAndMeasure(app, `${name} at the start`);
    await zoomIn(app.page);
    await expectShownAsDescribed(app.page, `${name} zoomed in`);
    await pressAndMeasure(app, `${name} zoomed in`);
  });
}

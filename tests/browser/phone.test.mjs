// A phone in the browser: pins, the line, the status label, closing, undo, clear, rotation.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import {
  openApplication, devices, waitForState, fingerLongPress, pagePoint, screenshots,
  ensureDir, getState, post,
} from './harness.mjs';

const markers = (s) => (s.map ? s.map.annotations.filter((a) => a.kind !== 'userLocation') : []);
const statusText = (s) => {
  const label = s.navigation.toolbar.items.find((i) => i.kind === 'label');
  return label ? label.text : undefined;
};

let server;
let browser;
let page;

before(async () => {
  ({ server, browser, page } = await openApplication({ ...devices['Pixel 5'] }));
  await waitForState(page, (s) => s.map && s.device.idiom === 'phone' && s.device.screen.width === 393 &&
    s.navigation && !s.navigation.toolbar.hidden, 'the map screen');
});

after(async () => {
  if (browser) await browser.close();
  if (server) assert.equal(await server.stop(), 0, 'the program ends cleanly on SIGTERM');
});

test('long presses add a green then a purple pin and the line', async () => {
  await fingerLongPress(page, 120, 220);
  let s = await waitForState(page, (st) => st.map.annotations.filter((a) => a.kind !== 'userLocation').length === 1,
    'the first pin');
  assert.equal(markers(s)[0].pinColor, 'green');
  assert.equal(await page.locator('.pin.green').count(), 1);
  assert.equal(s.map.overlays.length, 0, 'one entry draws no line yet');

  await fingerLongPress(page, 260, 330);
  s = await waitForState(page, (st) => st.map.annotations.filter((a) => a.kind !== 'userLocation').length === 2 &&
    st.map.overlays.length === 1, 'the second pin and the line');
  const [first, second] = markers(s);
  assert.equal(first.pinColor, 'green');
  assert.equal(second.pinColor, 'purple');
  assert.equal(await page.locator('.pin.purple').count(), 1);
  const line = s.map.overlays[0];
  assert.equal(line.kind, 'polyline');
  assert.equal(line.points.length, 2);
  assert.equal(line.strokeColor, '#000000');
  assert.ok(Math.abs(line.alpha - 0.6) < 1e-6);
  // The pins stand where the finger pressed: the page and the application convert alike.
  const pin = await page.locator(`[data-annotation="${second.id}"]`).boundingBox();
  const pressed = await pagePoint(page, 260, 330);
  assert.ok(Math.abs(pin.x + pin.width / 2 - pressed.x) <= 3, `pin x ${pin.x} vs ${pressed.x}`);
});

test('the phone status label shows the bare number', async () => {
  const s = await getState(server.origin);
  const text = statusText(s);
  assert.match(text, /^\d+(\.\d{1,2})?$/);
  assert.ok(Number(text) > 0);
  assert.equal(await page.locator('#status').textContent(), text);
});

test('moving the map does not place a marker', async () => {
  const before = await getState(server.origin);
  const cdp = await page.context().newCDPSession(page);
  const a = await pagePoint(page, 200, 400);
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: a.x, y: a.y }] });
  for (let i = 1; i <= 10; i++) {
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ x: a.x + i * 8, y: a.y + i * 4 }] });
  }
  await page.waitForTimeout(700);
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  await cdp.detach();
  const s = await waitForState(page, (st) => st.version > 0, 'a state');
  assert.equal(markers(s).length, markers(before).length);
});

test('closing a triangle opens the closing marker callout with its area', async () => {
  await fingerLongPress(page, 90, 380);
  await waitForState(page, (st) => st.map.annotations.filter((a) => a.kind !== 'userLocation').length === 3, 'a third pin');
  await page.locator('#toolbar button[data-tag="4"]').tap();
  const s = await waitForState(page, (st) => st.map.annotations.some((a) => a.selected &&
    /Area: /.test(a.title + ' ' + a.subtitle)), 'the closing callout');
  const closing = markers(s).find((a) => a.selected);
  assert.equal(closing.pinColor, 'purple');
  assert.equal(markers(s).length, 4);
  await page.locator('.leaflet-popup').waitFor();
  assert.match(await page.locator('.leaflet-popup').textContent(), /Area: /);
  // The callout shows the texts as they are, the two spaces before the heading included.
  assert.equal(await page.locator('.leaflet-popup .subtitle').innerText(), closing.subtitle);
  assert.match(closing.subtitle, /  Heading: \d+$/);
  assert.equal(s.navigation.toolbar.items.find((i) => i.tag === 4).enabled, false, 'a closed path cannot close again');
  await page.screenshot({ path: join(ensureDir(screenshots), 'phone.png') });
});

test('undo takes the last marker and clear empties the map', async () => {
  await page.locator('#toolbar button[data-tag="3"]').tap();
  let s = await waitForState(page, (st) => st.map.annotations.filter((a) => a.kind !== 'userLocation').length === 3, 'undo');
  assert.equal(await page.locator('.leaflet-popup').count(), 0);
  await page.locator('#toolbar button[data-tag="2"]').tap();
  s = await waitForState(page, (st) => st.map.annotations.filter((a) => a.kind !== 'userLocation').length === 0, 'clear');
  assert.equal(s.map.overlays.length, 0);
  assert.equal(statusText(s), '');
  assert.equal(await page.locator('.pin').count(), 0);
  assert.equal(s.navigation.toolbar.items.find((i) => i.tag === 3).enabled, false);
});

test('a malformed input gets 400 with a reason and changes nothing', async () => {
  const before = await getState(server.origin);
  const cases = ['{"type":"longPress"}', 'nonsense', '{"type":"tapToolbarItem","tag":3}',
    '{"type":"longPress","point":{"x":5000,"y":5}}'];
  for (const body of cases) {
    const reply = await page.evaluate(async (b) => {
      const r = await fetch('/api/input', { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: b });
      return { status: r.status, text: await r.text() };
    }, body);
    assert.equal(reply.status, 400, body);
    assert.equal(reply.text.trim().split('\n').length, 1, reply.text);
  }
  const after = await getState(server.origin);
  assert.equal(after.version, before.version);
});

test('a phone turned to landscape hides both bars and the map takes the full height', async () => {
  await page.setViewportSize({ width: 727, height: 393 });
  let s = await waitForState(page, (st) => st.device.landscape && st.navigation.navigationBar.hidden &&
    st.navigation.toolbar.hidden, 'landscape');
  // Below the status bar the map reaches the bottom of the screen.
  assert.equal(s.map.frame.y, 20);
  assert.equal(s.map.frame.y + s.map.frame.height, s.device.screen.height);
  assert.equal(s.map.frame.width, 727);
  assert.ok(await page.locator('#navbar').isHidden());
  assert.ok(await page.locator('#toolbar').isHidden());
  const box = await page.locator('#map').boundingBox();
  assert.equal(Math.round(box.height), Math.round(s.map.frame.height));

  await page.setViewportSize({ width: 393, height: 727 });
  s = await waitForState(page, (st) => !st.device.landscape && !st.navigation.navigationBar.hidden &&
    !st.navigation.toolbar.hidden, 'portrait again');
  assert.ok(await page.locator('#toolbar').isVisible());
});

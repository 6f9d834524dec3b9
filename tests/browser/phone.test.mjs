// A phone in the browser: pins, the line, the status label, closing, undo, clear, rotation.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import {
  openApplication, devices, waitForState, fingerLongPress, pagePoint, screenshots,
  ensureDir, getState, post, pins as markers, lines, mapOf, toolbarOf, navigationBarOf, toolbarItem, statusLabel,
} from './harness.mjs';

const statusText = (s) => (statusLabel(s) ? statusLabel(s).text : undefined);
const item = (tag) => `.toolbar .bar-item[data-tag="${tag}"]`;

let server;
let browser;
let page;

before(async () => {
  ({ server, browser, page } = await openApplication({ ...devices['Pixel 5'] }));
  await waitForState(page, (s) => mapOf(s) && s.device.idiom === 'phone' && s.device.screen.width === 393 &&
    toolbarOf(s), 'the map screen');
});

after(async () => {
  if (browser) await browser.close();
  if (server) assert.equal(await server.stop(), 0, 'the program ends cleanly on SIGTERM');
});

test('long presses add a green then a purple pin and the line', async () => {
  await fingerLongPress(page, 120, 220);
  let s = await waitForState(page, (st) => markers(st).length === 1,
    'the first pin');
  assert.equal(markers(s)[0].pinColor, 'green');
  assert.equal(await page.locator('.pin.green').count(), 1);
  assert.equal(lines(s).length, 0, 'one entry draws no line yet');

  await fingerLongPress(page, 260, 330);
  s = await waitForState(page, (st) => markers(st).length === 2 &&
    lines(st).length === 1, 'the second pin and the line');
  const [first, second] = markers(s);
  assert.equal(first.pinColor, 'green');
  assert.equal(second.pinColor, 'purple');
  assert.equal(await page.locator('.pin.purple').count(), 1);
  const [line] = lines(s);
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
  assert.equal(await page.locator(`[data-id="${statusLabel(s).id}"]`).textContent(), text);
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
  await waitForState(page, (st) => markers(st).length === 3, 'a third pin');
  await page.locator(item(4)).tap();
  const s = await waitForState(page, (st) => markers(st).some((a) => a.selected &&
    /Area: /.test(a.title + ' ' + a.subtitle)), 'the closing callout');
  const closing = markers(s).find((a) => a.selected);
  assert.equal(closing.pinColor, 'purple');
  assert.equal(markers(s).length, 4);
  await page.locator('.leaflet-popup').waitFor();
  assert.match(await page.locator('.leaflet-popup').textContent(), /Area: /);
  // The callout shows the texts as they are, the two spaces before the heading included.
  assert.equal(await page.locator('.leaflet-popup .subtitle').innerText(), closing.subtitle);
  assert.match(closing.subtitle, /  Heading: \d+$/);
  assert.equal(toolbarItem(s, 4).enabled, false, 'a closed path cannot close again');
  assert.equal(await page.locator(item(4)).getAttribute('aria-disabled'), 'true');
  await page.screenshot({ path: join(ensureDir(screenshots), 'phone.png') });
});

test('undo takes the last marker and clear empties the map', async () => {
  await page.locator(item(3)).tap();
  let s = await waitForState(page, (st) => markers(st).length === 3, 'undo');
  assert.equal(await page.locator('.leaflet-popup').count(), 0);
  await page.locator(item(2)).tap();
  s = await waitForState(page, (st) => markers(st).length === 0, 'clear');
  assert.equal(lines(s).length, 0);
  assert.equal(statusText(s), '');
  assert.equal(await page.locator('.pin').count(), 0);
  assert.equal(toolbarItem(s, 3).enabled, false);
});

// The callout's box and the map's, measured at one moment.
const calloutAndMap = (page) => page.evaluate(() => [document.querySelector('.leaflet-popup-content-wrapper'),
  document.querySelector('.map-view')].map((n) => n && n.getBoundingClientRect().toJSON()));
const assertInside = ([b, outer], what) => {
  assert.ok(b && b.x >= outer.x - 0.5 && b.y >= outer.y - 0.5 && b.x + b.width <= outer.x + outer.width + 0.5 &&
    b.y + b.height <= outer.y + outer.height + 0.5, `${what}: ${JSON.stringify(b)} not inside ${JSON.stringify(outer)}`);
};

test('a callout opened at the edge shows whole, and again after the phone is turned', async () => {
  await fingerLongPress(page, 380, 200);
  let s = await waitForState(page, (st) => markers(st).length === 1, 'a pin at the right edge');
  const [pin] = markers(s);
  await page.locator(`.pin-icon[data-annotation="${pin.id}"]`).tap();
  await waitForState(page, (st) => markers(st)[0].selected, 'its callout');
  await page.locator('.leaflet-popup').waitFor();
  await page.waitForTimeout(100);
  assertInside(await calloutAndMap(page), 'the callout at the edge');
  for (const [width, height, landscape] of [[727, 393, true], [393, 727, false]]) {
    await page.setViewportSize({ width, height });
    s = await waitForState(page, (st) => st.device.landscape === landscape, landscape ? 'landscape' : 'portrait');
    assert.ok(markers(s)[0].selected, 'the callout stays open');
    await page.waitForTimeout(300);
    assertInside(await calloutAndMap(page), `the callout in ${landscape ? 'landscape' : 'portrait'}`);
  }
  await page.locator('.toolbar .bar-item[data-tag="2"]').tap();
  await waitForState(page, (st) => markers(st).length === 0, 'clear');
});

test('a malformed input gets 400 with a reason and changes nothing', async () => {
  const before = await getState(server.origin);
  const cases = ['{"type":"longPress"}', 'nonsense', '{"type":"tapToolbarItem","tag":3}', '{"type":"tap","id":999999}',
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
  let s = await waitForState(page, (st) => st.device.landscape && !navigationBarOf(st) && !toolbarOf(st), 'landscape');
  // Below the status bar the map reaches the bottom of the screen, and the host's tools stand
  // at its right.
  const map = mapOf(s);
  assert.equal(map.frame.y, 20);
  assert.equal(map.frame.y + map.frame.height, s.device.screen.height);
  assert.equal(map.frame.width, s.device.screen.width);
  assert.equal(s.device.screen.height, 393);
  assert.ok(await page.locator('.navigation-bar').isHidden());
  assert.ok(await page.locator('.toolbar').isHidden());
  const box = await page.locator('.map-view').boundingBox();
  assert.equal(Math.round(box.height), Math.round(map.frame.height));
  const tools = await page.locator('#tools').boundingBox();
  assert.ok(tools.x >= box.x + box.width - 0.5, 'the tools beside the screen');

  await page.setViewportSize({ width: 393, height: 727 });
  s = await waitForState(page, (st) => !st.device.landscape && navigationBarOf(st) && toolbarOf(st), 'portrait again');
  assert.ok(await page.locator('.toolbar').isVisible());
});

// The page drawn from fixture screens served by a stand-in host: any tree of the documented
// kinds appears without page changes, and every touch goes out as the documented input.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { launchBrowser, screenshots, ensureDir } from './harness.mjs';
import { startFixtureServer, fixture } from '../page/fixture-server.mjs';
import { findKind } from '../../resources/web/page/tree.js';

let browser;
// Every fixture opened, so that one a failed test leaves open is still closed at the end.
const opened = new Set();
before(async () => { browser = await launchBrowser(); });
after(async () => {
  for (const screen of opened) await screen.close().catch(() => {});
  await browser?.close();
});

// A stand-in host with a fixture and a page on it, sized as the fixture's device.
async function open(name, options = {}) {
  const state = fixture(name);
  const server = await startFixtureServer(state);
  const { width, height } = state.device.screen;
  const context = await browser.newContext({ viewport: { width, height }, hasTouch: true, ...options });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(server.url);
  await page.waitForFunction((v) => window.tessaly && window.tessaly.version >= v, state.version);
  const screen = {
    server, page, state, errors,
    async close() { opened.delete(screen); await context.close(); await server.stop(); },
  };
  opened.add(screen);
  return screen;
}

const waitForInput = async (server, test0, what) => {
  for (let i = 0; i < 100; i++) {
    const found = server.inputs.find(test0);
    if (found) return found;
    await new Promise((r) => setTimeout(r, 30));
  }
  throw new Error(`no input ${what}; got ${JSON.stringify(server.inputs)}`);
};
const box = (page, selector) => page.locator(selector).first().boundingBox();
const inside = (b, outer, what) => {
  assert.ok(b.x >= outer.x - 0.5 && b.y >= outer.y - 0.5 && b.x + b.width <= outer.x + outer.width + 0.5 &&
    b.y + b.height <= outer.y + outer.height + 0.5, `${what}: ${JSON.stringify(b)} not inside ${JSON.stringify(outer)}`);
};

test('a table screen pushed on a phone: sections, controls, rows and the back button', async () => {
  const map = await open('map-phone');
  const { server, page } = map;
  const table = fixture('table-phone');
  server.setState(table);
  // The pushed screen slides in.
  await page.locator('.screen-view.push-in .table-view').waitFor({ state: 'attached' });
  const headers = await page.locator('.section-header:visible').allTextContents();
  assert.deepEqual(headers, ['Map', 'Measure']);
  assert.deepEqual(await page.locator('.section-footer:visible').allTextContents(), ['Shown on the map.', 'Version 1.0']);
  assert.equal(await page.locator('.table-cell').count(), 5);
  assert.equal(await page.locator('.nav-title').textContent(), 'Settings');
  const [sw] = findKind(table.screen, 'switch');
  const [segments] = findKind(table.screen, 'segmentedControl');
  const tv = findKind(table.screen, 'tableView')[0];
  // Controls inside cells stand at their frames in the cell's coordinates.
  // Both measured at one moment: the pushed screen may still be sliding in.
  const [cellBox, swBox] = await page.evaluate((id) => [document.querySelector('.table-cell'),
    document.querySelector(`[data-id="${id}"]`)].map((e) => e.getBoundingClientRect().toJSON()), sw.id);
  assert.ok(Math.abs(swBox.x - cellBox.x - sw.frame.x) < 1 && Math.abs(swBox.y - cellBox.y - sw.frame.y) < 1);

  await page.locator(`[data-id="${sw.id}"]`).tap();
  assert.deepEqual(await waitForInput(server, (i) => i.type === 'toggle', 'toggle'), { type: 'toggle', id: sw.id, on: false });
  await page.locator(`[data-id="${segments.id}"] .segment`).nth(2).tap();
  assert.deepEqual(await waitForInput(server, (i) => i.type === 'selectSegment', 'segment'),
    { type: 'selectSegment', id: segments.id, index: 2 });
  assert.equal(server.inputsOf('selectRow').length, 0, 'a control in a row does not tap the row');
  await page.locator('.table-cell', { hasText: 'Help' }).tap();
  assert.deepEqual(await waitForInput(server, (i) => i.type === 'selectRow', 'row'),
    { type: 'selectRow', id: tv.id, section: 2, row: 0 });

  // An editable row is deleted by a swipe; in editing mode by its delete control.
  const saved = page.locator('.table-cell', { hasText: 'Saved walk' });
  const sb = await saved.boundingBox();
  await page.mouse.move(sb.x + sb.width - 20, sb.y + 20);
  await page.mouse.down();
  await page.mouse.move(sb.x + sb.width - 120, sb.y + 22, { steps: 5 });
  await page.mouse.up();
  await saved.locator('.delete-button').click();
  assert.deepEqual(await waitForInput(server, (i) => i.type === 'deleteRow', 'delete'),
    { type: 'deleteRow', id: tv.id, section: 2, row: 1 });

  const editing = structuredClone(table);
  findKind(editing.screen, 'tableView')[0].editing = true;
  server.setState(editing);
  await saved.locator('.delete-control').waitFor();
  assert.equal(await page.locator('.delete-control:visible').count(), 1, 'only the editable row');

  await page.locator('.back-button').tap();
  const bar = findKind(table.screen, 'navigationBar')[0];
  assert.deepEqual(await waitForInput(server, (i) => i.type === 'goBack', 'back'), { type: 'goBack', id: bar.id });
  server.setState(fixture('map-phone'));
  await page.locator('.screen-view.pop-in').waitFor({ state: 'attached' });
  await page.screenshot({ path: join(ensureDir(screenshots), 'fixture-table.png') });
  assert.deepEqual(map.errors, []);
  await map.close();
});

test('a form sheet on a tablet sits in the middle over the dimmed screen', async () => {
  const sheet = await open('formsheet-tablet');
  const { page, server, state } = sheet;
  const nav = state.screen.children.find((c) => c.presentation === 'formSheet');
  const b = await box(page, `[data-id="${nav.id}"]`);
  assert.deepEqual([b.x, b.y, b.width, b.height], [140, 280, 540, 620]);
  assert.equal(await page.locator('.sheet-dim').count(), 1);
  // The screen below stays drawn.
  assert.equal(await page.locator('.map-view').count(), 1);
  const done = findKind(nav, 'navigationBar')[0].right;
  const doneBox = await box(page, `[data-id="${done.id}"]`);
  assert.ok(doneBox.width >= 44 && doneBox.height >= 44, 'a touch target of 44 points');
  await page.locator(`[data-id="${done.id}"]`).click();
  assert.deepEqual(await waitForInput(server, (i) => i.type === 'tap', 'Done'), { type: 'tap', id: done.id });
  await page.screenshot({ path: join(ensureDir(screenshots), 'fixture-formsheet.png') });
  assert.deepEqual(sheet.errors, []);
  await sheet.close();
});

test("a tablet's action sheet is a popover at its bar item; a tap outside cancels it", async () => {
  const s = await open('sheet-tablet');
  const sheet = s.state.screen.children.find((c) => c.kind === 'actionSheet');
  const popover = await box(s.page, '.sheet.popover');
  const anchor = await box(s.page, `[data-id="${sheet.anchor}"]`);
  assert.ok(popover.y + popover.height <= anchor.y, 'above its item');
  assert.ok(popover.x <= anchor.x + anchor.width / 2 && anchor.x + anchor.width / 2 <= popover.x + popover.width);
  inside(popover, { x: 0, y: 0, width: 820, height: 1180 }, 'the popover');
  assert.equal(await s.page.locator('.sheet.popover button:visible').count(), 2, 'Cancel lives outside a popover');
  await s.page.locator('.sheet.popover button', { hasText: 'Save' }).click();
  assert.deepEqual(await waitForInput(s.server, (i) => i.type === 'pressSheetButton', 'Save'),
    { type: 'pressSheetButton', id: sheet.id, index: 1 });
  await s.page.mouse.click(600, 400);
  assert.deepEqual(await waitForInput(s.server, (i) => i.type === 'cancel', 'cancel'), { type: 'cancel', id: sheet.id });
  await s.close();
});

test('the search bar sends its text, the Search key and Cancel; results are plain text rows', async () => {
  const s = await open('search-phone');
  const bar = findKind(s.state.screen, 'searchBar')[0];
  const field = s.page.locator('.search-field');
  assert.equal(await field.inputValue(), 'Mon');
  await field.fill('Monaco');
  assert.deepEqual(await waitForInput(s.server, (i) => i.type === 'typeText' && i.text === 'Monaco', 'text'),
    { type: 'typeText', id: bar.id, text: 'Monaco' });
  await field.press('Enter');
  await waitForInput(s.server, (i) => i.type === 'submit', 'submit');
  await s.page.waitForTimeout(100);
  assert.equal(s.server.inputsOf('submit').length, 1, 'one submit for one Enter');
  await s.page.locator('.search-cancel').click();
  assert.deepEqual(await waitForInput(s.server, (i) => i.type === 'cancel', 'cancel'), { type: 'cancel', id: bar.id });
  const rows = await s.page.locator('.cell-text').allTextContents();
  assert.deepEqual(rows, ['Place du Casino, 98000 Monaco', '<b>Port</b> Hercule & Quai, Monaco']);
  assert.equal(await s.page.locator('.table-view b').count(), 0, 'texts are never HTML');
  await s.close();
});

test('a web view runs no script and never navigates; a link opens a new tab after tapLink', async () => {
  const s = await open('webview-phone');
  const web = findKind(s.state.screen, 'webView')[0];
  const frameNode = s.page.locator('iframe.web-view');
  const sandbox = (await frameNode.getAttribute('sandbox')).split(/\s+/);
  assert.ok(!sandbox.includes('allow-scripts') && !sandbox.includes('allow-same-origin'), sandbox.join(' '));
  const frame = s.page.frameLocator('iframe.web-view');
  await frame.locator('h1').waitFor();
  assert.equal(await s.page.evaluate(() => window.hacked), undefined);
  const [tab] = await Promise.all([s.page.context().waitForEvent('page'), frame.locator('#site').click()]);
  assert.deepEqual(await waitForInput(s.server, (i) => i.type === 'tapLink', 'tapLink'),
    { type: 'tapLink', id: web.id, url: 'https://example.org/guide' });
  await tab.waitForURL((u) => u.href.startsWith('https://example.org/guide') || u.href.startsWith('chrome-error:'),
    { timeout: 10000 }).catch(() => {});
  await tab.close();
  // The frame still shows the view's own page.
  assert.equal(await frame.locator('h1').textContent(), 'Help');
  await s.close();
});

test('a path across 180 degrees is drawn continuously where it was pressed', async () => {
  const s = await open('map-phone');
  const map = findKind(s.state.screen, 'mapView')[0];
  await s.page.waitForFunction((id) => window.tessaly.maps && window.tessaly.maps.get(id) &&
    window.tessaly.maps.get(id).overlays.size === 1, map.id);
  const points = await s.page.evaluate((id) => {
    const m = window.tessaly.maps.get(id);
    const [entry] = m.overlays.values();
    return entry.layer.line.getLatLngs().map((ll) => m.map.latLngToContainerPoint(ll));
  }, map.id);
  assert.equal(points.length, 2);
  const pins = await s.page.evaluate(() => [...document.querySelectorAll('[data-annotation]')].map((n) => {
    const r = n.getBoundingClientRect();
    return { id: Number(n.dataset.annotation), x: r.left + 16, y: r.top + 34 };
  }));
  const mapBox = await box(s.page, '.map-view');
  for (const [i, p] of points.entries()) {
    inside({ x: p.x + mapBox.x, y: p.y + mapBox.y, width: 0, height: 0 }, mapBox, `path point ${i}`);
    const pin = pins.find((q) => q.id === map.annotations[i].id);
    assert.ok(Math.hypot(pin.x - (p.x + mapBox.x), pin.y - (p.y + mapBox.y)) < 1.5, 'the line ends at its pins');
  }
  assert.ok(Math.abs(points[0].x - points[1].x) < 200, `a short line, not around the world: ${JSON.stringify(points)}`);
  await s.close();
});

test('callouts opened at each edge move the map until they show whole', async () => {
  const s = await open('map-phone');
  const base = fixture('map-phone');
  base.screen.children = base.screen.children.filter((c) => c.kind !== 'alert');
  const map = findKind(base.screen, 'mapView')[0];
  const r = map.mapRect;
  const W = 268435456;
  const lon = (fx) => ((r.x + fx * r.width) / W) * 360 - 180;
  const lat = (fy) => (Math.atan(Math.sinh(Math.PI * (1 - (2 * (r.y + fy * r.height)) / W))) * 180) / Math.PI;
  const mapBox = await box(s.page, '.map-view');
  for (const [edge, fx, fy] of [['left', 0.01, 0.5], ['right', 0.99, 0.5], ['top', 0.5, 0.03], ['bottom', 0.5, 0.99]]) {
    const state = structuredClone(base);
    const m = findKind(state.screen, 'mapView')[0];
    m.overlays = [];
    m.annotations = [{ ...m.annotations[1], coordinate: { latitude: lat(fy), longitude: lon(fx) },
      title: 'A callout with a long title', subtitle: '  Heading: 270' }];
    // A new annotation each time, so that the callout opens afresh.
    m.annotations[0].id = 500 + fx * 10 + fy * 100;
    s.server.inputs.length = 0;
    s.server.setState(state);
    await s.page.locator(`.callout-body[data-annotation="${m.annotations[0].id}"]`).waitFor();
    await s.page.waitForTimeout(50);
    inside(await box(s.page, '.leaflet-popup-content-wrapper'), mapBox, `callout at the ${edge}`);
    const region = await waitForInput(s.server, (i) => i.type === 'regionChanged', `the new region at the ${edge}`);
    assert.ok(region.span.longitudeDelta > 0);
  }
  await s.close();
});

test('touch targets are 44 points at least and a long total stays readable', async () => {
  const s = await open('map-phone');
  const targets = await s.page.evaluate(() => [...document.querySelectorAll(
    '.bar-item:not(.space), .back-button, .alert button, .callout .disclosure, .hint-close, .tools .tool')]
    .filter((n) => n.offsetParent !== null)
    .map((n) => ({ what: n.className + ' ' + (n.getAttribute('aria-label') || n.textContent),
      width: n.getBoundingClientRect().width, height: n.getBoundingClientRect().height })));
  assert.ok(targets.length >= 10, JSON.stringify(targets));
  for (const t of targets) assert.ok(t.width >= 44 && t.height >= 44, JSON.stringify(t));
  const status = findKind(s.state.screen, 'label').find((l) => l.text === '1234567.89');
  const fits = await s.page.evaluate((id) => {
    const n = document.querySelector(`[data-id="${id}"]`);
    return { scroll: n.scrollWidth, client: n.clientWidth, size: parseFloat(n.style.fontSize) };
  }, status.id);
  assert.ok(fits.scroll <= fits.client, `the whole total shows: ${JSON.stringify(fits)}`);
  assert.ok(fits.size >= 8);
  // Drawn again for another change, it keeps the size it was fitted to.
  const next = structuredClone(s.state);
  next.version += 1;
  next.idleTimerDisabled = !next.idleTimerDisabled;
  s.server.setState(next);
  await s.page.waitForFunction((v) => window.tessaly.version >= v, next.version);
  const again = await s.page.evaluate((id) => {
    const n = document.querySelector(`[data-id="${id}"]`);
    return { scroll: n.scrollWidth, client: n.clientWidth, size: parseFloat(n.style.fontSize) };
  }, status.id);
  assert.deepEqual(again, fits, 'the same fit after a redraw');
  await s.close();
});

test('a lost connection is shown below the status bar, a touch says it was not sent, and the page reconnects', async () => {
  const s = await open('table-phone');
  const down = { closed: true };
  const realStop = s.server.dropStreams;
  // The host goes away: streams end and every request fails until it is back.
  await s.page.route('**/api/**', (route) => (down.closed ? route.abort() : route.continue()));
  realStop();
  const message = s.page.locator('#connection');
  await message.waitFor({ state: 'visible' });
  const m = await message.boundingBox();
  const bars = await s.page.evaluate(() => [...document.querySelectorAll('.toolbar, .navigation-bar .bar-item, .back-button')]
    .filter((n) => n.offsetParent !== null).map((n) => n.getBoundingClientRect().toJSON()));
  for (const b of bars) {
    const overlaps = m.x < b.x + b.width && b.x < m.x + m.width && m.y < b.y + b.height && b.y < m.y + m.height;
    assert.ok(!overlaps, `the message covers a control: ${JSON.stringify(m)} ${JSON.stringify(b)}`);
  }
  await s.page.locator('.table-cell', { hasText: 'Help' }).click();
  await s.page.locator('#connection', { hasText: 'not sent' }).waitFor();
  // Back again: the page reconnects by itself and draws what changed meanwhile.
  const changed = fixture('table-phone');
  findKind(changed.screen, 'navigationBar')[0].title = 'Settings again';
  s.server.state = { ...changed, version: 1 };
  down.closed = false;
  await s.page.locator('.nav-title', { hasText: 'Settings again' }).waitFor({ timeout: 15000 });
  await message.waitFor({ state: 'hidden' });
  assert.deepEqual(s.errors, [], 'no exception in the page while it was cut off');
  await s.close();
});

test('a quiet hint tells a new user to press and hold while the map has no markers', async () => {
  const s = await open('sheet-tablet');
  const plain = fixture('sheet-tablet');
  plain.screen.children = plain.screen.children.filter((c) => c.kind !== 'actionSheet');
  s.server.setState(plain);
  const hint = s.page.locator('.map-hint');
  await hint.waitFor();
  await s.page.locator('.panel').waitFor({ state: 'detached' });
  assert.match(await hint.textContent(), /press and hold/i);
  await hint.locator('.hint-close').click();
  await hint.waitFor({ state: 'hidden' });
  await s.close();
  const withPins = await open('map-phone');
  await withPins.page.waitForTimeout(200);
  assert.equal(await withPins.page.locator('.map-hint:visible').count(), 0);
  await withPins.close();
});

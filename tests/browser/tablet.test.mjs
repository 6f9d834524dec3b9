// A tablet in the browser, pressed with the mouse: the status label groups and names its unit.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import {
  openApplication, waitForState, mouseLongPress, screenshots, ensureDir, mapOf, pins, toolbarOf, navigationBarOf,
  statusLabel,
} from './harness.mjs';

let server;
let browser;
let page;

before(async () => {
  ({ server, browser, page } = await openApplication({ viewport: { width: 820, height: 1180 }, locale: 'en-US' }));
  await waitForState(page, (s) => mapOf(s) && s.device.idiom === 'tablet' && toolbarOf(s), 'the tablet map screen');
});

after(async () => {
  if (browser) await browser.close();
  if (server) assert.equal(await server.stop(), 0);
});

test('mouse long presses place pins and the tablet status shows grouped figures with the unit', async () => {
  await mouseLongPress(page, 150, 300);
  await waitForState(page, (s) => pins(s).length === 1, 'a pin');
  await mouseLongPress(page, 600, 420);
  const s = await waitForState(page, (st) => pins(st).length === 2, 'two pins');
  const label = statusLabel(s);
  assert.match(label.text, /^\d{1,3}(,\d{3})+(\.\d{1,2})? km$/);
  assert.equal(await page.locator(`[data-id="${label.id}"]`).textContent(), label.text);
  await page.screenshot({ path: join(ensureDir(screenshots), 'tablet.png') });
});

test('a tablet keeps its bars in landscape', async () => {
  await page.setViewportSize({ width: 1180, height: 820 });
  const s = await waitForState(page, (st) => st.device.landscape, 'landscape');
  assert.equal(s.device.idiom, 'tablet');
  assert.ok(toolbarOf(s) && navigationBarOf(s));
  assert.ok(await page.locator('.toolbar').isVisible());
});

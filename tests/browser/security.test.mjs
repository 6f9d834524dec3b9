// Beyond loopback every request needs the printed token; an alert's OK closes it.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { startProgram, launchBrowser, waitForState, getState, post, settingsPlist, panels } from './harness.mjs';

test('listening beyond loopback refuses requests without the token', async () => {
  // Every interface, but reached here only through 127.0.0.1.
  const server = await startProgram(['--listen', '0.0.0.0:0']);
  try {
    const link = new URL(server.url);
    const token = link.searchParams.get('token');
    assert.match(token, /^[0-9a-f]{32,}$/);
    const origin = `http://127.0.0.1:${link.port}`;
    // Loopback callers too: the screen's picture and the documents are no lookup service.
    for (const path of ['/', '/api/state', '/page/main.js', '/api/screen.png', '/api/documents']) {
      const res = await fetch(origin + path);
      assert.equal(res.status, 401, path);
    }
    assert.equal((await post(origin, { type: 'tap', id: 1 })).status, 401);
    // The printed link sets the cookie that lets the page in.
    const res = await fetch(`${origin}/?token=${token}`, { redirect: 'manual' });
    assert.equal(res.status, 302);
    const cookie = res.headers.get('set-cookie').split(';')[0];
    const page = await fetch(origin + '/', { headers: { Cookie: cookie } });
    assert.equal(page.status, 200);
    const state = await getState(origin, { Cookie: cookie });
    assert.ok(state.version >= 1);
  } finally {
    await server.stop();
  }
});

test("an error alert is drawn as a modal dialog and its OK closes it", async () => {
  // The position is shown but the browser may not locate: the application reports the failure.
  const server = await startProgram(['--device', 'phone'], { settings: settingsPlist({ currentLocation: 1 }) });
  const browser = await launchBrowser();
  try {
    const context = await browser.newContext({ viewport: { width: 390, height: 700 }, hasTouch: true });
    const page = await context.newPage();
    await page.goto(server.url);
    let s = await waitForState(page, (st) => panels(st).length === 1 && panels(st)[0].kind === 'alert', 'the alert');
    assert.equal(panels(s)[0].title, 'Error');
    const dialog = page.locator('.alert[role="alertdialog"]');
    await dialog.waitFor();
    assert.equal(await dialog.locator('h2').textContent(), 'Error');
    // The map cannot be touched behind it.
    assert.equal((await post(server.origin, { type: 'longPress', point: { x: 50, y: 50 } })).status, 400);
    await dialog.locator('button', { hasText: 'OK' }).click();
    s = await waitForState(page, (st) => panels(st).length === 0, 'the alert to close');
    assert.equal(await dialog.count(), 0);
  } finally {
    await browser.close();
    await server.stop();
  }
});

// One application per browser session: a phone and a desktop each get a screen of their own,
// share the documents, and a session that crashes, idles or does not fit is handled clearly.
// The screens are driven through the HTTP API with the context's own session cookie; the
// reset notice is read on the page drawn from the screen tree.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { startProgram, launchBrowser, devices, screenshots, ensureDir, mapOf, waitForState } from './harness.mjs';
import { join } from 'node:path';
import { screenArea } from '../../resources/web/page/tools.js';

const ROUTE = '<route>\n<coordinates type="marker">43.7384,7.4246</coordinates>\n</route>\n';

// The session's state as the page gets it, through the context's cookie jar.
async function state(page) {
  const res = await page.request.get('/api/state');
  assert.equal(res.status(), 200, await res.text());
  return res.json();
}

// A request that meets a process just killed gets 503 until the front has started the next.
async function until(page, check, what, timeout = 20000) {
  const deadline = Date.now() + timeout;
  let s;
  for (;;) {
    const res = await page.request.get('/api/state');
    s = res.status() === 200 ? await res.json() : { refused: res.status() };
    if (res.status() !== 200 && res.status() !== 503) assert.fail(await res.text());
    if (res.status() === 200 && check(s)) return s;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}: ${JSON.stringify(s).slice(0, 300)}`);
    await new Promise((r) => setTimeout(r, 100));
  }
}

async function press(page, x, y) {
  const res = await page.request.post('/api/input', { data: { type: 'longPress', point: { x, y } } });
  assert.equal(res.status(), 200, await res.text());
  return res.json();
}

async function open(browser, server, options) {
  const context = await browser.newContext({ ...options, baseURL: server.origin });
  const page = await context.newPage();
  page.on('pageerror', (e) => console.error('page error:', e.message));
  await page.goto(server.url);
  return page;
}

async function sessionId(page) {
  const cookie = (await page.context().cookies()).find((c) => c.name === 'tessaly_session');
  assert.ok(cookie, 'a session cookie');
  assert.equal(cookie.httpOnly, true);
  assert.equal(cookie.sameSite, 'Strict');
  return cookie.value;
}

// The process the front logged for that session.
function processOf(server, id) {
  const all = [...server.errors().matchAll(/session (\w{8}) runs in process (\d+)/g)];
  const mine = all.filter((m) => id.startsWith(m[1]));
  return mine.length ? Number(mine[mine.length - 1][2]) : 0;
}

const annotations = (s) => (mapOf(s) ? mapOf(s).annotations.length : -1);

test('a phone and a desktop each have their own screen and share the documents', async () => {
  const server = await startProgram(['--device', 'auto'], { sessions: true });
  const browser = await launchBrowser();
  try {
    const phone = await open(browser, server, { ...devices['Pixel 5'] });
    const desktop = await open(browser, server, { viewport: { width: 1280, height: 800 } });
    const p = await until(phone, (s) => s.device && s.device.idiom === 'phone' && mapOf(s), 'a phone screen');
    const d = await until(desktop, (s) => s.device && s.device.idiom === 'tablet' && mapOf(s), 'a tablet-class screen');
    assert.notEqual(await sessionId(phone), await sessionId(desktop));
    assert.notEqual(processOf(server, await sessionId(phone)), processOf(server, await sessionId(desktop)));
    const p0 = annotations(p);
    const d0 = annotations(d);
    await press(phone, 120, 200);
    await press(desktop, 300, 300);
    await press(desktop, 500, 400);
    await until(phone, (s) => annotations(s) === p0 + 1, 'the phone\'s one pin');
    await until(desktop, (s) => annotations(s) === d0 + 2, 'the desktop\'s two pins');
    // A file saved by the phone's session is listed in the desktop's.
    const saved = await phone.request.post('/api/documents?name=shared.xml', {
      headers: { 'Content-Type': 'application/xml' }, data: ROUTE });
    assert.equal(saved.status(), 201, await saved.text());
    const listed = await (await desktop.request.get('/api/documents')).json();
    assert.ok(listed.some((f) => f.name === 'shared.xml'), JSON.stringify(listed));
    ensureDir(screenshots);
    await phone.screenshot({ path: join(screenshots, 'sessions-phone.png') });
    await desktop.screenshot({ path: join(screenshots, 'sessions-desktop.png') });
  } finally {
    await browser.close();
    await server.stop();
  }
});

test('a killed session process gives the reset notice and a working new screen', async () => {
  const server = await startProgram(['--device', 'phone'], { sessions: true });
  const browser = await launchBrowser();
  try {
    const page = await open(browser, server, { ...devices['Pixel 5'] });
    const before = await until(page, (s) => mapOf(s), 'the map screen');
    await press(page, 100, 200);
    await until(page, (s) => annotations(s) === annotations(before) + 1, 'the pin');
    const id = await sessionId(page);
    const pid = processOf(server, id);
    assert.ok(pid > 0, server.errors());
    process.kill(pid, 'SIGKILL');
    const after = await until(page, (s) => s.session && s.session.restarts === 1, 'the reset notice');
    assert.match(after.session.notice, /^The screen was reset/);
    assert.ok(after.version > before.version, 'newer than what the page had');
    assert.notEqual(processOf(server, id), pid);
    await until(page, (s) => mapOf(s), 'the new map screen');
    const n = annotations(await state(page));
    await press(page, 150, 250);
    await until(page, (s) => annotations(s) === n + 1, 'a pin on the new screen');
    assert.equal(await sessionId(page), id, 'the same session');
  } finally {
    await browser.close();
    await server.stop();
  }
});

test('the session limit refuses the next browser clearly and an idle session ends', async () => {
  const server = await startProgram(['--device', 'phone', '--sessions', '1', '--session-idle', '3'],
    { sessions: true });
  const browser = await launchBrowser();
  try {
    const first = await open(browser, server, { ...devices['Pixel 5'] });
    await until(first, (s) => mapOf(s), 'the first screen');
    const firstId = await sessionId(first);
    const context = await browser.newContext({ ...devices['Pixel 5'], baseURL: server.origin });
    const second = await context.newPage();
    const refused = await second.goto(server.url);
    assert.equal(refused.status(), 503);
    assert.equal(await second.locator('h1').textContent(), 'Tessaly is full');
    // Nobody uses the first for three seconds: it ends, and the second gets in.
    const deadline = Date.now() + 15000;
    let res;
    do {
      await new Promise((r) => setTimeout(r, 500));
      res = await second.goto(server.url);
    } while (res.status() === 503 && Date.now() < deadline);
    assert.equal(res.status(), 200);
    await until(second, (s) => mapOf(s), 'the second screen');
    assert.match(server.errors(), new RegExp(`session ${firstId.slice(0, 8)} ends: idle`));
  } finally {
    await browser.close();
    await server.stop();
  }
});

test('after its process was killed the page says the screen was reset, until closed', async () => {
  const server = await startProgram(['--device', 'phone'], { sessions: true });
  const browser = await launchBrowser();
  try {
    const context = await browser.newContext({ ...devices['Pixel 5'], baseURL: server.origin });
    const page = await context.newPage();
    page.on('pageerror', (e) => console.error('page error:', e.message));
    await page.goto(server.url);
    await waitForState(page, (s) => mapOf(s), 'the map screen');
    const notice = page.locator('#session-notice');
    assert.equal(await notice.count(), 0, 'no notice before anything happened');
    process.kill(processOf(server, await sessionId(page)), 'SIGKILL');
    await notice.waitFor({ state: 'visible', timeout: 20000 });
    assert.match(await notice.textContent(), /The screen was reset: its application stopped/);
    await waitForState(page, (s) => s.session && s.session.restarts === 1 && mapOf(s), 'the new screen');
    await page.locator('#session-notice button').click();
    await notice.waitFor({ state: 'hidden' });
    // Told once: a reload draws the same session's screen without it.
    await page.reload();
    await waitForState(page, (s) => s.session && s.session.restarts === 1 && mapOf(s), 'the screen again');
    await page.waitForTimeout(300);
    assert.equal(await notice.isVisible(), false);
  } finally {
    await browser.close();
    await server.stop();
  }
});

test('resizing a desktop window keeps its session a tablet-class device and keeps its path', async () => {
  const server = await startProgram(['--device', 'auto'], { sessions: true });
  const browser = await launchBrowser();
  try {
    const desktop = await open(browser, server, { viewport: { width: 1280, height: 800 } });
    const tablet = (s) => s.device && s.device.idiom === 'tablet' && mapOf(s);
    const first = await until(desktop, tablet, 'a tablet-class screen');
    // Made small (a phone's size), with nothing measured yet: still the same kind of device.
    await desktop.setViewportSize({ width: 700, height: 450 });
    await until(desktop, (s) => s.device.screen.width === screenArea(700, 450).width, 'the small window');
    assert.equal((await state(desktop)).device.idiom, 'tablet');
    await press(desktop, 200, 200);
    await press(desktop, 400, 300);
    const measured = await until(desktop, (s) => annotations(s) === annotations(first) + 2, 'two pins');
    await desktop.setViewportSize({ width: 1400, height: 900 });
    const after = await until(desktop, (s) => s.device.screen.width === screenArea(1400, 900).width, 'the large window');
    assert.equal(after.device.idiom, 'tablet');
    assert.equal(annotations(after), annotations(measured), 'the path is kept');
    assert.ok(after.version > measured.version);
  } finally {
    await browser.close();
    await server.stop();
  }
});

test('a laptop window under 768 high is a tablet-class device; a touch screen of that size is a phone', async () => {
  const server = await startProgram(['--device', 'auto'], { sessions: true });
  const browser = await launchBrowser();
  try {
    const laptop = await open(browser, server, { viewport: { width: 1366, height: 650 } });
    const touch = await open(browser, server, { viewport: { width: 1024, height: 650 }, hasTouch: true, isMobile: true });
    const laptopScreen = await until(laptop, (s) => mapOf(s) && s.device.screen.width > 0, 'the laptop screen');
    assert.equal(laptopScreen.device.idiom, 'tablet');
    // The tablet's bars are there: the measuring commands are in reach.
    assert.ok(JSON.stringify(laptopScreen.screen).includes('"kind":"toolbar"'));
    const touchScreen = await until(touch, (s) => mapOf(s) && s.device.screen.width > 0, 'the touch screen');
    assert.equal(touchScreen.device.idiom, 'phone');
  } finally {
    await browser.close();
    await server.stop();
  }
});

// Starts the real program on a free loopback port and drives Debian's Chromium against it.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync, mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium, devices } from 'playwright-core';
import { findKind, visibleNodes } from '../../resources/web/page/tree.js';

const here = dirname(fileURLToPath(import.meta.url));
export const sourceDir = join(here, '..', '..');
export const program = process.env.TESSALY_PROGRAM || join(sourceDir, 'build', 'tessaly');
export const screenshots = process.env.TESSALY_SCREENSHOTS || join(sourceDir, 'build-screenshots');
export { devices };

// Tiles point at a closed loopback port: the tests must never depend on tile servers.
const NO_TILES = 'http://127.0.0.1:9/{z}/{x}/{y}.png';

// The tests drive one mirrored screen (--single) unless they ask for a session per browser.
export async function startProgram(extraArgs = [], { settings, sessions = false } = {}) {
  const documents = mkdtempSync(join(tmpdir(), 'tessaly-browser-'));
  if (settings) writeFileSync(join(documents, 'settings.plist'), settings);
  // The own lookup service's database stays out of the user's data directory: one shared by
  // the test programs, made by the first that runs long enough.
  const lookup = extraArgs.includes('--database') ? []
    : ['--database', join(tmpdir(), 'tessaly-browser-lookup.sqlite')];
  const args = ['serve', '--listen', '127.0.0.1:0', '--documents', documents,
    '--tiles', NO_TILES, '--imagery', NO_TILES, '--resources', sourceDir, ...lookup,
    ...(sessions ? [] : ['--single']), ...extraArgs];
  const proc = spawn(program, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  let output = '';
  let errors = '';
  proc.stderr.on('data', (d) => { errors += d; });
  const url = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('no address printed: ' + output + errors)), 30000);
    proc.stdout.on('data', (d) => {
      output += d;
      const m = output.match(/serving at (\S+)/);
      if (m) { clearTimeout(timer); resolve(m[1]); }
    });
    proc.on('exit', (code) => { clearTimeout(timer); reject(new Error(`exited ${code}: ${errors}`)); });
  });
  const base = new URL(url);
  return {
    url,
    origin: base.origin,
    pid: proc.pid,
    documents,
    output: () => output,
    errors: () => errors,
    async stop() {
      if (proc.exitCode === null) {
        const done = new Promise((r) => proc.once('exit', r));
        proc.kill('SIGTERM');
        await done;
      }
      rmSync(documents, { recursive: true, force: true });
      return proc.exitCode;
    },
  };
}

export async function launchBrowser() {
  return chromium.launch({
    executablePath: process.env.TESSALY_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--no-first-run', '--disable-sync'],
  });
}

// What the screen tree of a state shows, read as a person would: the nodes of a kind that are on
// screen, front last.
export const shownNodes = (s, kind) => (s && s.screen ? visibleNodes(s.screen).filter((n) => n.kind === kind) : []);
export const anyNode = (s, kind) => (s && s.screen ? findKind(s.screen, kind)[0] || null : null);
// The map view on screen (null when none is), its markers (not the user's own position) and lines.
export const mapOf = (s) => shownNodes(s, 'mapView').at(-1) || null;
export const pins = (s) => (mapOf(s) ? mapOf(s).annotations.filter((a) => a.view !== 'userLocation') : []);
export const userSpot = (s) => (mapOf(s) ? mapOf(s).annotations.find((a) => a.view === 'userLocation') || null : null);
export const lines = (s) => (mapOf(s) ? mapOf(s).overlays.filter((o) => o.kind === 'polylineView') : []);
// The toolbar and navigation bar on screen (null when hidden), a toolbar item by its tag, the
// status label in the toolbar.
export const toolbarOf = (s) => shownNodes(s, 'toolbar').at(-1) || null;
export const navigationBarOf = (s) => shownNodes(s, 'navigationBar').at(-1) || null;
export const toolbarItem = (s, tag) => (toolbarOf(s) ? toolbarOf(s).items.find((i) => i.tag === tag) || null : null);
export const statusLabel = (s) => (toolbarOf(s)
  ? toolbarOf(s).items.flatMap((i) => i.children || []).find((c) => c.kind === 'label') || null : null);
// The alerts and sheets on screen, oldest first; the top screen's name; the network indicator.
export const panels = (s) => (s && s.screen ? (s.screen.children || []).filter((c) => c.kind === 'alert' ||
  c.kind === 'actionSheet') : []);
export const topScreen = (s) => {
  const nav = s && s.screen ? (s.screen.children || []).filter((c) => c.kind === 'navigationController').at(-1) : null;
  return nav && nav.stack.length ? nav.stack.at(-1).name : null;
};
export const busy = (s) => !!(anyNode(s, 'statusBar') || {}).networkActivityIndicatorVisible;

// Waits until the page has drawn a state for which check(state) holds; returns that state. The
// check runs here, so the page's script policy (no eval) stays in force during the tests.
export async function waitForState(page, check, what = 'state', timeout = 15000) {
  const deadline = Date.now() + timeout;
  let s = null;
  for (;;) {
    s = await page.evaluate(() => (window.tessaly && window.tessaly.state) || null);
    if (s && check(s)) return s;
    if (Date.now() > deadline) break;
    await new Promise((r) => setTimeout(r, 40));
  }
  const refused = await page.evaluate(() => window.tessaly && window.tessaly.lastError);
  const screens = (s && s.screen && s.screen.children || []).map((c) => [c.kind, c.title, c.stack && c.stack.map((e) => e.title)]);
  throw new Error(`timed out waiting for ${what}; last refusal: ${refused}; last state: ${JSON.stringify(s && {
    version: s.version, device: s.device, screen: topScreen(s), panels: panels(s).map((p) => p.title),
    bars: [!navigationBarOf(s), !toolbarOf(s)], map: mapOf(s) && mapOf(s).frame, pins: pins(s).length })}; screens: ${
    JSON.stringify(screens)}`);
}

// Taps the toolbar item with that tag through the API, by its id as the page would.
export async function tapToolbarItem(origin, tag, headers = {}) {
  const item = toolbarItem(await getState(origin, headers), tag);
  if (!item) return { status: 0, text: `no toolbar item ${tag} on screen` };
  return post(origin, { type: 'tap', id: item.id }, headers);
}

// Waits until the page has drawn version v or later (reads only the number: states can be big).
export async function waitForVersion(page, v, timeout = 60000) {
  const deadline = Date.now() + timeout;
  while ((await page.evaluate(() => (window.tessaly ? window.tessaly.version : 0))) < v) {
    if (Date.now() > deadline) throw new Error(`timed out waiting for version ${v}`);
    await new Promise((r) => setTimeout(r, 20));
  }
}

// The point in page coordinates of a point of the map view (or of another element).
export async function pagePoint(page, x, y, map = '.map-view') {
  const box = await page.locator(map).boundingBox();
  return { x: box.x + x, y: box.y + y };
}

// A finger held still for longer than the long-press duration.
export async function fingerLongPress(page, x, y, map = '.map-view') {
  const cdp = await page.context().newCDPSession(page);
  const p = await pagePoint(page, x, y, map);
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: p.x, y: p.y }] });
  await page.waitForTimeout(1500);
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  await cdp.detach();
}

// The same with the mouse.
export async function mouseLongPress(page, x, y, map = '.map-view') {
  const p = await pagePoint(page, x, y, map);
  await page.mouse.move(p.x, p.y);
  await page.mouse.down();
  await page.waitForTimeout(1500);
  await page.mouse.up();
}

export async function post(origin, body, headers = {}) {
  const res = await fetch(origin + '/api/input', {
    method: 'POST', headers: { 'Content-Type': 'application/json', ...headers },
    body: typeof body === 'string' ? body : JSON.stringify(body),
  });
  return { status: res.status, text: await res.text() };
}

export async function getState(origin, headers = {}) {
  const res = await fetch(origin + '/api/state', { headers });
  return res.json();
}

export function ensureDir(dir) {
  mkdirSync(dir, { recursive: true });
  return dir;
}

export const settingsPlist = ({ mapType = 0, unit = 0, currentLocation = 0 } = {}) =>
  `<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
\t<key>MapType</key>
\t<integer>${mapType}</integer>
\t<key>Unit</key>
\t<integer>${unit}</integer>
\t<key>CurrentLocation</key>
\t<integer>${currentLocation}</integer>
</dict>
</plist>
`;

// Starts the program with the given arguments and settings and a browser, and opens the
// application's page in a context of the given kind (viewport, touch, locale); resolves once the
// page shows the map screen (with its toolbar, unless a phone is turned). Page errors go to the
// test's output; close() ends both and fails on a program that did not exit cleanly or on a
// page error.
export async function openApplication(contextOptions, { args = ['--device', 'auto'], settings } = {}) {
  const server = await startProgram(args, { settings });
  const browser = await launchBrowser();
  const context = await browser.newContext(contextOptions);
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => { errors.push(e.message); console.error('page error:', e.message); });
  const app = {
    server, browser, context, page, errors,
    async close() {
      await browser.close();
      const code = await server.stop();
      if (code !== 0) throw new Error(`the program exited with ${code}`);
      if (errors.length) throw new Error(`page errors: ${errors.join('; ')}`);
    },
  };
  try {
    await page.goto(server.url);
    await waitForState(page, (s) => mapOf(s) && (toolbarOf(s) || s.device.landscape), 'the map screen');
  } catch (e) {
    await browser.close();
    await server.stop();
    throw e;
  }
  return app;
}

// A press held on a point of the drawn map view (its own coordinates) past the long press.
export async function holdOnMap(page, x, y, selector = '.map-view') {
  const box = await page.locator(selector).first().boundingBox();
  await page.mouse.move(box.x + x, box.y + y);
  await page.mouse.down();
  await page.waitForTimeout(900);
  await page.mouse.up();
}

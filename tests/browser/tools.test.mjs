// The host's tools beside the screen: recording, route files uploaded and downloaded, and a
// KML file the application offers handed to the browser's share sheet or downloaded.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { writeFileSync, readFileSync, existsSync, mkdtempSync, rmSync } from 'node:fs';
import { join } from 'node:path';
import { tmpdir } from 'node:os';
import {
  startProgram, launchBrowser, waitForState, post, getState, devices, mapOf, pins, lines, panels, topScreen,
  tapToolbarItem, shownNodes,
} from './harness.mjs';

const ROUTE = '<route>\n<coordinates type="marker">43.7384,7.4246</coordinates>\n' +
  '<coordinates type="marker">43.7402,7.4270</coordinates>\n</route>\n';

let server;
let browser;
before(async () => {
  server = await startProgram(['--device', 'phone']);
  browser = await launchBrowser();
});
after(async () => {
  await browser?.close();
  await server?.stop();
});

async function open(options = {}) {
  const context = await browser.newContext({ ...devices['Pixel 5'], acceptDownloads: true, ...options });
  const page = await context.newPage();
  page.on('pageerror', (e) => console.error('page error:', e.message));
  await page.goto(server.url);
  await waitForState(page, (s) => mapOf(s) && s.tools, 'the map screen with its tools');
  return page;
}

// The file browser on a phone, through the inputs the page sends: Load/Save, then Load file.
async function openFileBrowser(page) {
  assert.equal((await tapToolbarItem(server.origin, 1)).status, 200);
  const sheet = panels(await getState(server.origin)).find((p) => p.kind === 'actionSheet');
  assert.ok(sheet, 'the Load/Save sheet');
  assert.equal((await post(server.origin, { type: 'pressSheetButton', id: sheet.id, index: 0 })).status, 200);
  // The sheet goes away first: the file browser may come a turn or two after the answer.
  const deadline = Date.now() + 10000;
  while (topScreen(await getState(server.origin)) !== 'loadFileScreen' && Date.now() < deadline) {
    await new Promise((r) => setTimeout(r, 40));
  }
}

// The first row of the table on screen (the file browser's first file).
async function pickFirstRow() {
  const table = shownNodes(await getState(server.origin), 'tableView').at(-1);
  assert.ok(table, 'a table on screen');
  return post(server.origin, { type: 'selectRow', id: table.id, section: 0, row: 0 });
}

test('the record control sits outside the screen and shows that recording runs', async () => {
  const page = await open();
  assert.equal(await page.locator('#screen #tools').count(), 0, 'not on the device screen');
  // Beside the screen, never over it, and inside the window: below it in portrait, at its
  // right in landscape.
  for (const size of [null, { width: 727, height: 393 }, { width: 393, height: 727 }]) {
    if (size) {
      await page.setViewportSize(size);
      await waitForState(page, (st) => st.device.landscape === size.width > size.height, 'the turned screen');
    }
    const [screen, strip, window, targets] = await page.evaluate(() => [
      document.getElementById('screen').getBoundingClientRect().toJSON(),
      document.getElementById('tools').getBoundingClientRect().toJSON(),
      { width: window.innerWidth, height: window.innerHeight },
      [...document.querySelectorAll('#tools .tool')].filter((n) => !n.hidden)
        .map((n) => n.getBoundingClientRect().toJSON())]);
    const overlap = strip.x < screen.x + screen.width - 0.5 && screen.x < strip.x + strip.width - 0.5 &&
      strip.y < screen.y + screen.height - 0.5 && screen.y < strip.y + strip.height - 0.5;
    assert.ok(!overlap, `the tools cover the screen: ${JSON.stringify([strip, screen])}`);
    assert.ok(targets.length >= 3);
    for (const t of targets) {
      assert.ok(t.width >= 44 && t.height >= 44, `a touch target of 44 points: ${JSON.stringify(t)}`);
      assert.ok(t.x >= 0 && t.y >= 0 && t.x + t.width <= window.width + 0.5 && t.y + t.height <= window.height + 0.5,
        `reachable in the window: ${JSON.stringify(t)}`);
    }
  }
  const record = page.locator('#record');
  assert.equal(await record.textContent(), 'Record');
  assert.equal(await page.locator('#movie-link').isHidden(), true);
  await record.click();
  await page.waitForFunction(() => document.getElementById('record').classList.contains('recording'));
  assert.equal(await record.getAttribute('aria-pressed'), 'true');
  await page.waitForTimeout(600);
  await page.locator('#record').click();
  await page.locator('#movie-link').waitFor({ state: 'visible' });
  const [download] = await Promise.all([page.waitForEvent('download'), page.locator('#movie-link').click()]);
  assert.equal(download.suggestedFilename(), 'screen.mov');
  const bytes = readFileSync(await download.path());
  assert.equal(bytes.subarray(4, 8).toString(), 'ftyp', 'a QuickTime movie');
  await page.context().close();
});

test('a route file is uploaded, listed with its size, downloaded and loaded back', async () => {
  const page = await open();
  await page.locator('#files-toggle').click();
  const dir = mkdtempSync(join(tmpdir(), 'tessaly-upload-'));
  writeFileSync(join(dir, 'harbour.xml'), ROUTE);
  await page.locator('#upload').setInputFiles(join(dir, 'harbour.xml'));
  await page.locator('#files-status').filter({ hasText: 'harbour.xml uploaded.' }).waitFor();
  assert.equal(readFileSync(join(server.documents, 'harbour.xml'), 'utf8'), ROUTE);
  const item = page.locator('#files-list li', { hasText: 'harbour.xml' });
  await item.waitFor();
  assert.match(await item.textContent(), new RegExp(`${ROUTE.length} bytes`));

  // The same name again asks first; declining keeps the file as it was.
  writeFileSync(join(dir, 'harbour.xml'), ROUTE.replace('7.4270', '7.4300'));
  page.once('dialog', (d) => d.dismiss());
  await page.locator('#upload').setInputFiles(join(dir, 'harbour.xml'));
  await page.locator('#files-status').filter({ hasText: 'already exists' }).waitFor();
  assert.equal(readFileSync(join(server.documents, 'harbour.xml'), 'utf8'), ROUTE);

  // Something that is no route file is refused with the reason.
  writeFileSync(join(dir, 'notes.xml'), '<notes>hello</notes>');
  await page.locator('#upload').setInputFiles(join(dir, 'notes.xml'));
  await page.locator('#files-status').filter({ hasText: 'no route file' }).waitFor();
  assert.equal(existsSync(join(server.documents, 'notes.xml')), false);

  const [download] = await Promise.all([page.waitForEvent('download'), item.locator('a').click()]);
  assert.equal(download.suggestedFilename(), 'harbour.xml');
  assert.equal(readFileSync(await download.path(), 'utf8'), ROUTE);

  // The application's own file browser loads it back as the path.
  await openFileBrowser(page);
  const shown = await getState(server.origin);
  assert.equal(topScreen(shown), 'loadFileScreen');
  assert.equal((await pickFirstRow()).status, 200);
  const s = await waitForState(page, (st) => pins(st).length === 2, 'the loaded path');
  assert.equal(lines(s).length, 1);
  await page.context().close();
});

test('a KML file the application offers goes to the share sheet, or is downloaded', async () => {
  // The only route file, so that it is the browser's one row.
  rmSync(join(server.documents, 'harbour.xml'), { force: true });
  writeFileSync(join(server.documents, 'walk.kml'), '<?xml version="1.0"?><kml/>');
  if (topScreen(await getState(server.origin)) !== 'mapScreen') {
    assert.equal((await post(server.origin, { type: 'goBack' })).status, 200);
  }
  // A browser that can share files: the file goes to navigator.share.
  const sharing = await open();
  await sharing.evaluate(() => {
    window.shared = [];
    navigator.canShare = (data) => Boolean(data && data.files && data.files.length);
    navigator.share = async (data) => { window.shared.push({ name: data.files[0].name, size: data.files[0].size }); };
  });
  // A second page without sharing downloads it.
  const plain = await open();
  await plain.evaluate(() => { Object.defineProperty(navigator, 'share', { value: undefined }); });
  const downloaded = plain.waitForEvent('download');

  await openFileBrowser(sharing);
  const before = (await getState(server.origin)).tools.offer;
  assert.equal(before, null, 'nothing offered yet');
  assert.equal((await pickFirstRow()).status, 200);
  const s = await waitForState(sharing, (st) => st.tools.offer && st.tools.offer.serial === 1, 'the offer');
  assert.equal(s.tools.offer.name, 'walk.kml');
  assert.equal(panels(s).length, 0, 'no "no handler" alert while the browser takes the file');
  await sharing.waitForFunction(() => window.shared.length === 1);
  assert.deepEqual(await sharing.evaluate(() => window.shared[0]), { name: 'walk.kml', size: 27 });
  assert.equal(await sharing.evaluate(() => window.tessalyTools.lastOffer.how), 'share');

  const download = await downloaded;
  assert.equal(download.suggestedFilename(), 'walk.kml');
  assert.equal(readFileSync(await download.path(), 'utf8'), '<?xml version="1.0"?><kml/>');
  assert.equal(await plain.evaluate(() => window.tessalyTools.lastOffer.how), 'download');
  await sharing.context().close();
  await plain.context().close();
});

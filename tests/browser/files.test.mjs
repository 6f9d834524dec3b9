// Route files driven through the page drawn from the screen tree, on a phone and a tablet: a
// path saved from the Load/Save sheet, listed in the file browser, loaded back, rows deleted by
// a swipe and in editing mode.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { openApplication, waitForState, holdOnMap, screenshots, ensureDir } from './harness.mjs';
import { findKind } from '../../resources/web/page/tree.js';

const DEVICES = [
  ['phone', { viewport: { width: 390, height: 844 } }],
  ['tablet', { viewport: { width: 1024, height: 768 } }],
];
const FILES = 1;
const CLEAR = 2;

const front = (st) => st.screen.children.filter((c) => c.kind === 'navigationController').at(-1);
const topTitle = (st) => front(st).stack.at(-1).title;
const mapView = (st) => findKind(st.screen, 'mapView')[0];
const pins = (st) => mapView(st).annotations.filter((a) => a.view === 'pin');
const alerts = (st) => st.screen.children.filter((c) => c.kind === 'alert' || c.kind === 'actionSheet');
const toolbarItem = (page, tag) => page.locator(`[data-kind="toolbar"] [data-kind="barButtonItem"][data-tag="${tag}"]`);
const DETAILS = /^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \(\d+ bytes\)$/;

for (const [name, context] of DEVICES) {
  describe(`route files on a ${name}`, () => {
    let app; let page;
    const tablet = name === 'tablet';

    before(async () => {
      app = await openApplication(context);
      page = app.page;
    });

    after(async () => {
      await app?.close();
    });

    async function sheetButton(text) {
      await toolbarItem(page, FILES).click();
      const sheet = page.locator('.panel .sheet');
      await sheet.locator('.title', { hasText: 'Load/Save file' }).waitFor();
      await sheet.locator('button', { hasText: text }).click();
    }
    async function save(kind, fileName) {
      await sheetButton(kind === 'xml' ? 'Save generic XML format' : 'Save in KML format');
      const prompt = page.locator('.panel .alert');
      await prompt.locator('.title', { hasText: kind === 'xml' ? 'Save XML' : 'Save KML' }).waitFor();
      const field = prompt.locator('.alert-field');
      assert.equal(await field.getAttribute('placeholder'), '<filename>');
      await field.fill(fileName);
      await prompt.locator('button', { hasText: 'Save' }).click();
      const info = page.locator('.panel .alert', { hasText: 'File saved.' });
      await info.waitFor();
      assert.equal(await info.locator('.message').textContent(),
        'File saved.\n\nYou can transfer the file to your computer using iTunes file sharing.');
      await info.locator('button', { hasText: 'OK' }).click();
      await waitForState(page, (s) => alerts(s).length === 0, 'the alerts closed');
    }
    async function openBrowser() {
      await sheetButton('Load file');
      const s = await waitForState(page, (st) => topTitle(st) === 'Choose file' && findKind(front(st), 'tableView').length,
        'the file browser');
      assert.equal(front(s).presentation === 'formSheet', tablet, 'a form sheet on a tablet, pushed on a phone');
      // A swipe starts where the row stands once the pushed screen has slid in.
      await page.waitForFunction(() => !document.querySelector('.push-in, .pop-in'));
      return page.locator(`[data-kind="navigationController"][data-id="${front(s).id}"]`);
    }
    const rowNames = (scope) => scope.locator('.table-cell [data-kind="label"]:first-child').allTextContents();

    test('a path saved as XML and KML is listed, loads back, and its rows are deleted', async () => {
      for (const [x, y] of [[100, 220], [200, 300], [280, 200]]) await holdOnMap(page, x, y);
      const placed = pins(await waitForState(page, (s) => pins(s).length === 3, 'three markers'))
        .map((p) => p.coordinate);
      await save('xml', 'walk');
      await save('kml', 'walk');
      const xml = readFileSync(join(app.server.documents, 'walk.xml'), 'utf8').split('\n');
      assert.equal(xml.length, 3 + 3 + 1, 'declaration, route, three entries, end, and the final line feed');
      assert.match(xml[2], /^ {2}<coordinates type="marker">-?\d+\.\d{6},-?\d+\.\d{6}<\/coordinates>$/);

      await toolbarItem(page, CLEAR).click();
      await waitForState(page, (s) => pins(s).length === 0, 'the path cleared');

      let scope = await openBrowser();
      const names = await rowNames(scope);
      assert.deepEqual([...names].sort(), ['walk.kml', 'walk.xml']);
      for (const row of await scope.locator('.table-cell').all()) {
        assert.match(await row.locator('[data-kind="label"]').nth(1).textContent(), DETAILS);
        // Each row shows its file's picture at its left, and the page has that picture.
        const image = row.locator('.cell-image');
        assert.ok(await image.isVisible(), 'a picture at the row\'s left');
        const url = await image.evaluate((n) => n.style.backgroundImage.replace(/^url\("(.*)"\)$/, '$1'));
        assert.match(url, /^\/images\/[xk]ml\.svg$/);
        assert.equal((await fetch(app.server.origin + url)).status, 200, url);
      }
      assert.equal(await scope.locator('.section-footer').textContent(),
        'KML files (in gray) are handled by an external app if available');
      await page.screenshot({ path: join(ensureDir(screenshots), `files-${name}-browser.png`) });

      await scope.locator('.table-cell', { hasText: 'walk.xml' }).click();
      const s = await waitForState(page, (st) => topTitle(st) === '' && !st.screen.children.some((c) => c.presentation) &&
        pins(st).length === 3, 'the path loaded and the browser closed');
      pins(s).forEach((p, i) => {
        assert.ok(Math.abs(p.coordinate.latitude - placed[i].latitude) < 1e-4 &&
          Math.abs(p.coordinate.longitude - placed[i].longitude) < 1e-4, `marker ${i}`);
      });
      assert.equal(pins(s)[0].pinColor, 'green');

      // A swipe deletes one row, editing mode the other; then the list is empty.
      scope = await openBrowser();
      const xmlRow = scope.locator('.table-cell', { hasText: 'walk.xml' });
      const b = await xmlRow.boundingBox();
      await page.mouse.move(b.x + b.width - 20, b.y + b.height / 2);
      await page.mouse.down();
      await page.mouse.move(b.x + b.width - 140, b.y + b.height / 2 + 2, { steps: 6 });
      await page.mouse.up();
      await xmlRow.locator('.delete-button').click();
      await waitForState(page, (st) => findKind(front(st), 'tableViewCell').length === 1, 'one row left');
      assert.equal(existsSync(join(app.server.documents, 'walk.xml')), false);
      assert.deepEqual(await rowNames(scope), ['walk.kml']);

      await scope.locator('.nav-right .bar-item', { hasText: 'Edit' }).click();
      await waitForState(page, (st) => findKind(front(st), 'tableView')[0].editing, 'editing mode');
      const kmlRow = scope.locator('.table-cell', { hasText: 'walk.kml' });
      await kmlRow.locator('.delete-control').click();
      await kmlRow.locator('.delete-button').click();
      const empty = await waitForState(page, (st) => findKind(front(st), 'tableViewCell').length === 0,
        'no rows left');
      assert.equal(existsSync(join(app.server.documents, 'walk.kml')), false);
      assert.equal(findKind(front(empty), 'tableView')[0].editing, false, 'editing ends with the last row');
      await scope.locator('.section-footer', { hasText: 'No files found.' }).waitFor();
      assert.equal(await scope.locator('.nav-right .bar-item').getAttribute('aria-disabled'), 'true');
      if (tablet) await scope.locator('.nav-left .bar-item', { hasText: 'Back' }).click();
      else await scope.locator('.back-button').click();
      const back = await waitForState(page, (st) => topTitle(st) === '' && !st.screen.children.some((c) => c.presentation),
        'back on the map screen');
      assert.equal(pins(back).length, 3, 'deleting files leaves the path alone');
    });

    // The file browser stays upright on a phone: turned with the browser open, the phone
    // shows it turned with the device, whole, beside the tools strip; closed, the map turns.
    if (!tablet) {
      test('a phone turned with the file browser open shows it whole and turned; Back brings the turned map', async () => {
        const scope = await openBrowser();
        await page.setViewportSize({ width: 844, height: 390 });
        await waitForState(page, (st) => st.device.orientation === 'landscapeLeft', 'the phone turned');
        await page.waitForFunction(() => document.getElementById('screen').dataset.turn === '-90');
        assert.equal(topTitle(await waitForState(page, () => true)), 'Choose file', 'the browser stays upright');
        const window = { x: 0, y: 0, width: 800, height: 390 };
        const screenBox = await page.locator('#screen').boundingBox();
        for (const k of ['x', 'y', 'width', 'height']) assert.ok(Math.abs(screenBox[k] - window[k]) < 1, `screen ${k}`);
        const strip = await page.locator('#tools').boundingBox();
        assert.ok(Math.abs(strip.x - 800) < 1 && strip.height <= 390 + 1, `the strip beside it: ${JSON.stringify(strip)}`);
        for (const what of ['.back-button', '.nav-right .bar-item', '.section-footer']) {
          const b = await scope.locator(what).boundingBox();
          assert.ok(b.x >= -0.5 && b.y >= -0.5 && b.x + b.width <= 800.5 && b.y + b.height <= 390.5,
            `${what} on screen: ${JSON.stringify(b)}`);
        }
        await page.screenshot({ path: join(ensureDir(screenshots), 'files-phone-turned.png') });
        await scope.locator('.back-button').click();
        const map = await waitForState(page, (st) => topTitle(st) === '' && st.device.landscape, 'the turned map');
        assert.equal(await page.locator('#screen').getAttribute('data-turn'), '0');
        assert.deepEqual(mapView(map).frame, { x: 0, y: 20, width: 800, height: 370 });
        await page.setViewportSize(context.viewport);
        await waitForState(page, (st) => !st.device.landscape && findKind(st.screen, 'toolbar').some((t) => !t.hidden),
          'upright again');
      });

      test('opened from a sheet the phone was turned under, the browser has its Back button', async () => {
        await toolbarItem(page, FILES).click();
        const sheet = page.locator('.panel .sheet');
        await sheet.locator('.title', { hasText: 'Load/Save file' }).waitFor();
        await page.setViewportSize({ width: 844, height: 390 });
        await waitForState(page, (st) => st.device.landscape && alerts(st).length === 1, 'turned under the sheet');
        await sheet.locator('button', { hasText: 'Load file' }).click();
        const s = await waitForState(page, (st) => topTitle(st) === 'Choose file', 'the file browser');
        const bar = findKind(front(s), 'navigationBar')[0];
        assert.equal(bar.hidden, false, 'the browser shows its navigation bar');
        const table = findKind(front(s), 'tableView')[0];
        assert.ok(table.frame.y >= bar.frame.y + bar.frame.height, 'the list below the bar');
        await page.waitForFunction(() => !document.querySelector('.push-in, .pop-in'));
        await page.locator('.back-button').click();
        const map = await waitForState(page, (st) => topTitle(st) === '', 'back on the map');
        assert.ok(findKind(map, 'navigationBar').every((b) => b.hidden) && findKind(map, 'toolbar').every((t) => t.hidden),
          'the turned map keeps the whole screen');
        assert.deepEqual(mapView(map).frame, { x: 0, y: 20, width: 800, height: 370 });
        await page.setViewportSize(context.viewport);
        await waitForState(page, (st) => !st.device.landscape && findKind(st.screen, 'toolbar').some((t) => !t.hidden),
          'upright again');
      });
    }
  });
}

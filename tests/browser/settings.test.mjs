// The settings and help screens driven as a person would, through the page drawn from the screen
// tree, on a phone (pushed screens) and a tablet (form sheets over the map).
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { openApplication, waitForState, holdOnMap, settingsPlist, sourceDir, screenshots, ensureDir } from './harness.mjs';
import { findKind } from '../../resources/web/page/tree.js';

// Standard tiles and imagery at two closed loopback addresses the page's tiles can be told apart by.
const IMAGERY = 'http://127.0.0.1:9/imagery/{z}/{x}/{y}.png';
const HERE = { latitude: 43.7384, longitude: 7.4246, accuracy: 25 };

const DEVICES = [
  ['phone', { viewport: { width: 390, height: 844 }, hasTouch: false }],
  ['tablet', { viewport: { width: 1024, height: 768 } }],
];

// The screen in front: the last navigation controller of the window, and its top screen.
const front = (st) => st.screen.children.filter((c) => c.kind === 'navigationController').at(-1);
const topTitle = (st) => front(st).stack.at(-1).title;
const mapView = (st) => findKind(st.screen, 'mapView')[0];
const pins = (st) => mapView(st).annotations.filter((a) => a.view === 'pin');
const frontSelector = (st) => `[data-kind="navigationController"][data-id="${front(st).id}"]`;

for (const [name, context] of DEVICES) {
  describe(`settings and help on a ${name}`, () => {
    let app; let page;
    const tablet = name === 'tablet';

    before(async () => {
      app = await openApplication({ ...context, geolocation: HERE, permissions: ['geolocation'] },
        { args: ['--device', 'auto', '--imagery', IMAGERY], settings: settingsPlist() });
      page = app.page;
    });

    after(async () => {
      await app?.close();
    });

    const status = () => page.locator('[data-kind="toolbar"] [data-kind="label"]').first().textContent();
    const number = (text) => Number(text.replace(/[^0-9.]/g, ''));

    async function openSettings() {
      await page.locator('.navigation-bar .nav-left [data-kind="barButtonItem"]').first().click();
      const s = await waitForState(page, (st) => topTitle(st) === 'Settings', 'the settings screen');
      const nav = front(s);
      assert.equal(nav.presentation === 'formSheet', tablet, 'a form sheet on a tablet, pushed on a phone');
      return { state: s, scope: page.locator(frontSelector(s)) };
    }
    const segment = (scope, row, title) => scope.locator('.table-cell', { hasText: row })
      .locator('.segment', { hasText: new RegExp(`^${title}$`) });
    const closed = () => waitForState(page, (s) => topTitle(s) === '' && !s.screen.children.some((c) => c.presentation),
      'back on the map screen');

    test('nm and satellite imagery saved; a change left by Back changes nothing', async () => {
      await holdOnMap(page, 120, 200);
      await holdOnMap(page, 240, 300);
      await waitForState(page, (s) => pins(s).length === 2, 'two markers');
      const km = number(await status());
      assert.ok(km > 100, `a path of some length: ${km}`);
      const tiles = () => page.locator('.map-view img.leaflet-tile').evaluateAll((imgs) => imgs.map((i) => i.src));

      let { scope } = await openSettings();
      assert.deepEqual(await scope.locator('.table-cell .cell-text').allTextContents(),
        ['Current position', 'Map type', 'Unit']);
      assert.deepEqual(await scope.locator('.table-cell', { hasText: 'Map type' }).locator('.segment').allTextContents(),
        ['Map', 'Satelite', 'Hybrid']);
      // Every control stands inside its row and the row inside its section, the last segment
      // included (both measured at one moment: the screen may still be sliding in).
      const outside = await scope.locator('.table-cell').evaluateAll((cells) => cells.flatMap((cell) => {
        const inside = (b, c) => b.left >= c.left - 0.5 && b.right <= c.right + 0.5 && b.top >= c.top - 0.5 &&
          b.bottom <= c.bottom + 0.5;
        const row = cell.getBoundingClientRect();
        const boxes = [...cell.querySelectorAll('.switch, .segment')].map((n) => [n, row])
          .concat([[cell, cell.closest('.section-rows').getBoundingClientRect()]]);
        return boxes.filter(([n, c]) => !inside(n.getBoundingClientRect(), c)).map(([n]) => n.textContent || n.className);
      }));
      assert.deepEqual(outside, [], 'controls outside their rows');
      await segment(scope, 'Unit', 'nm').click();
      await segment(scope, 'Map type', 'Satelite').click();
      await waitForState(page, (s) => findKind(front(s), 'segmentedControl').map((c) => c.selectedSegmentIndex)
        .join() === '1,4', 'the choices shown');
      // Nothing is taken over before Save.
      assert.match(readFileSync(join(app.server.documents, 'settings.plist'), 'utf8'),
        /<key>Unit<\/key>\s*<integer>0<\/integer>/);
      await scope.locator('.nav-right .bar-item', { hasText: 'Save' }).click();
      let s = await closed();
      assert.equal(mapView(s).mapType, 'satellite');
      await page.waitForFunction(() => [...document.querySelectorAll('.map-view img.leaflet-tile')]
        .some((i) => i.src.includes('/imagery/')));
      assert.ok((await tiles()).every((src) => src.includes('/imagery/')), 'only imagery tiles drawn');
      const nm = await status();
      assert.ok(Math.abs(number(nm) - km * 1000 / 1852) <= 0.01 * km, `${nm} is ${km} km in nautical miles`);
      if (tablet) assert.match(nm, / nm$/);
      const stored = readFileSync(join(app.server.documents, 'settings.plist'), 'utf8');
      assert.match(stored, /<key>MapType<\/key>\s*<integer>1<\/integer>/);
      assert.match(stored, /<key>Unit<\/key>\s*<integer>4<\/integer>/);
      await page.screenshot({ path: join(ensureDir(screenshots), `settings-${name}-satellite.png`) });

      // The screen shows the stored choices; changed and left by Back, nothing changes.
      ({ scope } = await openSettings());
      assert.equal(await segment(scope, 'Unit', 'nm').getAttribute('aria-checked'), 'true');
      await segment(scope, 'Unit', 'km').click();
      await segment(scope, 'Map type', 'Hybrid').click();
      await waitForState(page, (st) => findKind(front(st), 'segmentedControl').map((c) => c.selectedSegmentIndex)
        .join() === '2,0', 'the new choices shown');
      if (tablet) await scope.locator('.nav-left .bar-item', { hasText: 'Back' }).click();
      else await scope.locator('.back-button').click();
      s = await closed();
      assert.equal(mapView(s).mapType, 'satellite');
      assert.equal(await status(), nm);
      assert.equal(readFileSync(join(app.server.documents, 'settings.plist'), 'utf8'), stored);
    });

    test("the position switch shows the user's own pin where the browser is", async () => {
      const { scope } = await openSettings();
      const sw = scope.locator('.table-cell', { hasText: 'Current position' }).locator('.switch');
      assert.equal(await sw.getAttribute('aria-checked'), 'false');
      await sw.click();
      await page.waitForFunction(() => document.querySelector('.switch[aria-checked="true"]'));
      assert.equal(await page.locator('[data-view="userLocation"]').count(), 0, 'not before Save');
      await scope.locator('.nav-right .bar-item', { hasText: 'Save' }).click();
      const s = await waitForState(page, (st) => topTitle(st) === '' && mapView(st).userLocation !== null,
        'the position on the map');
      const at = mapView(s).userLocation.coordinate;
      assert.ok(Math.abs(at.latitude - HERE.latitude) < 1e-6 && Math.abs(at.longitude - HERE.longitude) < 1e-6);
      const dot = page.locator('.map-view [data-view="userLocation"]');
      await dot.waitFor();
      // The dot stands where the map shows the browser's position, once the map has come to rest.
      let off;
      for (let tries = 0; tries < 40; tries++) {
        const where = await page.evaluate(({ id, lat, lng }) => {
          const m = window.tessaly.maps.get(id);
          const p = m.map.latLngToContainerPoint([lat, lng]);
          const r = m.map.getContainer().getBoundingClientRect();
          return { x: r.left + p.x, y: r.top + p.y };
        }, { id: mapView(s).id, lat: HERE.latitude, lng: HERE.longitude });
        const b = await dot.boundingBox();
        off = [b, where];
        if (Math.hypot(b.x + b.width / 2 - where.x, b.y + b.height / 2 - where.y) < 3) break;
        off = JSON.stringify(off);
        await page.waitForTimeout(100);
      }
      assert.ok(typeof off !== 'string', off);
    });

    test('help shows the version and a tapped link opens in a new tab', async () => {
      const version = readFileSync(join(sourceDir, 'resources', 'Info.plist'), 'utf8')
        .match(/<key>CFBundleVersion<\/key>\s*<string>([^<]*)<\/string>/)[1];
      await page.locator('.navigation-bar .nav-right [data-kind="barButtonItem"]').first().click();
      const s = await waitForState(page, (st) => topTitle(st) === 'Information' && findKind(front(st), 'webView').length,
        'the help screen');
      assert.equal(front(s).presentation === 'formSheet', tablet);
      const frame = page.frameLocator(`${frontSelector(s)} iframe.web-view`);
      assert.equal(await frame.locator('.version').textContent(), `Version ${version}`);
      const web = findKind(front(s), 'webView')[0];
      const box = await page.locator(`${frontSelector(s)} iframe.web-view`).boundingBox();
      assert.ok(box.width >= web.frame.width - 1 && box.height >= web.frame.height - 1, 'the page fills its view');

      const link = frame.locator('a', { hasText: 'tessaly.example' }).first();
      // The position stays shown meanwhile: the frame added to the page brings no failure alert.
      await page.waitForTimeout(500);
      assert.deepEqual((await waitForState(page, () => true)).screen.children.filter((c) => c.kind === 'alert'), []);
      const [tab] = await Promise.all([page.context().waitForEvent('page'), link.click()]);
      const opened = await waitForState(page, (st) => st.openedURLs.includes('https://tessaly.example/'),
        'the link handed to the system');
      await tab.waitForURL((u) => u.href.startsWith('https://tessaly.example/') || u.href.startsWith('chrome-error:'),
        { timeout: 10000 }).catch(() => {});
      await tab.close();
      // The help page itself stays.
      assert.equal(topTitle(opened), 'Information');
      assert.equal(await frame.locator('h1').textContent(), 'Tessaly');
      await page.screenshot({ path: join(ensureDir(screenshots), `help-${name}.png`) });
      if (tablet) await page.locator(`${frontSelector(s)} .nav-left .bar-item`, { hasText: 'Back' }).click();
      else await page.locator(`${frontSelector(s)} .back-button`).click();
      await closed();
    });
  });
}

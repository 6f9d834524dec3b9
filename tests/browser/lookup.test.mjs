// Address search and routes in the browser, on a phone and a tablet, against a geocoding and
// directions service on loopback written here.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import http from 'node:http';
import { join } from 'node:path';
import {
  openApplication, waitForState, devices, screenshots, ensureDir, mapOf, pins, lines, toolbarOf, busy,
} from './harness.mjs';
import { encodePolyline } from './polyline.mjs';

const PLACES = [
  { formatted_address: 'Place du Casino, 98000 Monaco', geometry: { location: { lat: 43.7396, lng: 7.4276 } } },
  { formatted_address: '<b>Port</b> Hercule & Quai, Monaco', geometry: { location: { lat: 43.7347, lng: 7.4206 } } },
];

const encode = encodePolyline;
const ROAD = [];
for (let i = 0; i <= 40; i++) ROAD.push([43.7396 - i * 0.0001225, 7.4276 - i * 0.000175 + (i % 2) * 0.0002]);

function startService() {
  const asked = [];
  let failing = null;
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://x');
    asked.push({ path: url.pathname, query: url.search, referer: req.headers.referer });
    res.setHeader('Content-Type', 'application/json');
    if (failing) return res.end(JSON.stringify({ status: failing, results: [], routes: [] }));
    if (url.pathname === '/maps/api/geocode/json') {
      const q = url.searchParams.get('address') || '';
      const found = PLACES.filter((p) => p.formatted_address.toLowerCase().includes(q.toLowerCase().split(' ')[0]));
      return res.end(JSON.stringify({ status: 'OK', results: found.length ? found : PLACES }));
    }
    if (url.pathname === '/maps/api/directions/json') {
      const leg = {
        start_location: { lat: 43.7396, lng: 7.4276 }, end_location: { lat: 43.7347, lng: 7.4206 },
        steps: [{ polyline: { points: encode(ROAD.slice(0, 2)) } }, { polyline: { points: encode(ROAD) } }],
      };
      return res.end(JSON.stringify({ status: 'OK', routes: [{ legs: [leg] }] }));
    }
    res.statusCode = 404;
    res.end('{}');
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    base: `http://127.0.0.1:${server.address().port}`,
    asked,
    fail(status) { failing = status; },
    close: () => new Promise((r) => server.close(r)),
  })));
}


for (const [name, context] of [['phone', { ...devices['Pixel 5'] }],
  ['tablet', { viewport: { width: 820, height: 1180 }, locale: 'en-US' }]]) {
  describe(`lookups on a ${name}`, () => {
    let service; let server; let browser; let page;

    before(async () => {
      service = await startService();
      ({ server, browser, page } = await openApplication(context,
        { args: ['--device', 'auto', '--geocoder', service.base, '--directions', service.base] }));
      await waitForState(page, (s) => mapOf(s) && toolbarOf(s), 'the map screen');
    });

    after(async () => {
      if (browser) await browser.close();
      if (server) assert.equal(await server.stop(), 0);
      if (service) await service.close();
    });

    async function searchAndPick(text, index) {
      await page.click('.toolbar .bar-item[data-tag=\"6\"]');
      const input = page.locator('.search-field');
      await input.waitFor();
      await page.waitForFunction(() => document.activeElement === document.querySelector('.search-field'));
      await input.fill(text);
      await page.waitForTimeout(150);
      const before = service.asked.length;
      assert.equal(service.asked.length, before, 'typing alone sends nothing');
      await input.press('Enter');
      await page.locator('.table-view .table-cell').nth(index).waitFor();
      await waitForState(page, (s) => !busy(s), 'the lookup finished');
      await page.locator('.table-view .table-cell').nth(index).click();
      await page.locator('.search-bar').waitFor({ state: 'hidden' });
    }

    test('search, pick: the marker appears and the map centres on it; a second one joins it', async () => {
      await searchAndPick('Casino', 0);
      let s = await waitForState(page, (st) => pins(st).length === 1, 'the first marker');
      assert.equal(pins(s)[0].pinColor, 'green');
      assert.ok(Math.abs(mapOf(s).region.center.latitude - 43.7396) < 1e-4);
      assert.ok(Math.abs(mapOf(s).region.center.longitude - 7.4276) < 1e-4);
      assert.ok(mapOf(s).region.span.latitudeDelta < 0.05, 'about a kilometre across');
      const geocode = service.asked.find((a) => a.path === '/maps/api/geocode/json');
      assert.equal(geocode.query, '?address=Casino&sensor=false');
      assert.equal(geocode.referer, 'https://tessaly.example/');

      // The address with markup is listed as text.
      await page.click('.toolbar .bar-item[data-tag=\"6\"]');
      await page.locator('.search-field').fill('Port');
      await page.locator('.search-field').press('Enter');
      // The earlier list stays until the answer replaces it.
      const row = page.locator('.table-view .table-cell', { hasText: 'Hercule' }).first();
      await row.waitFor();
      await waitForState(page, (st) => !busy(st), 'the lookup finished');
      assert.equal(await row.locator('.cell-text').textContent(), '<b>Port</b> Hercule & Quai, Monaco');
      assert.equal(await page.locator('.table-view b').count(), 0);
      await row.click();
      s = await waitForState(page, (st) => pins(st).length === 2, 'the second marker');
      assert.equal(pins(s)[1].pinColor, 'purple');
      await page.screenshot({ path: join(ensureDir(screenshots), `lookup-${name}-markers.png`) });
    });

    test('a route by car replaces the path with the road route', async () => {
      await page.click('.toolbar .bar-item[data-tag=\"5\"]');
      await page.locator('.panel .sheet button', { hasText: 'Driving' }).click();
      const s = await waitForState(page, (st) => lines(st).length === 1 &&
        lines(st)[0].points.length > 30 && !busy(st), 'the road route');
      const route = service.asked.find((a) => a.path === '/maps/api/directions/json');
      assert.match(route.query, /^\?origin=43\.739600,7\.427600&destination=43\.734700,7\.420600&mode=driving&sensor=false$/);
      // Start, the step's first point as a marker, the end.
      assert.equal(pins(s).length, 3);
      assert.equal(lines(s)[0].points.length, 2 + ROAD.length - 1);
      await page.screenshot({ path: join(ensureDir(screenshots), `lookup-${name}-route.png`) });
    });

    test('a failing service shows the alert with its own text, as text', async () => {
      const status = '<img src=x onerror="window.hacked=1">REQUEST_DENIED';
      service.fail(status);
      await page.click('.toolbar .bar-item[data-tag=\"6\"]');
      await page.locator('.search-field').fill('anything');
      await page.locator('.search-field').press('Enter');
      const message = page.locator('.panel .alert p');
      await message.waitFor();
      assert.equal(await message.textContent(), status);
      assert.equal(await page.locator('.panel img').count(), 0);
      assert.equal(await page.evaluate(() => window.hacked), undefined);
      const s = await waitForState(page, (st) => !busy(st), 'the indicator off');
      assert.equal(pins(s).length, 3, 'the path stays as it was');
      service.fail(null);
    });
  });
}

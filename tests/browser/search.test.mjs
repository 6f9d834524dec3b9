// Address search and routes driven through the page drawn from the screen tree, on a phone and
// a tablet: against a geocoding and directions service on loopback written here, and against the
// program's own lookup service on the Monaco extract.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import http from 'node:http';
import { join } from 'node:path';
import { openApplication, waitForState, settingsPlist, screenshots, ensureDir } from './harness.mjs';
import { encodePolyline } from './polyline.mjs';
import { monacoExtract, monacoDatabase } from './monaco.mjs';
import { findKind } from '../../resources/web/page/tree.js';

const PLACES = [
  { formatted_address: 'Place du Casino, 98000 Monaco', geometry: { location: { lat: 43.7396, lng: 7.4276 } } },
  { formatted_address: 'Port Hercule, Monaco', geometry: { location: { lat: 43.7347, lng: 7.4206 } } },
];

const encode = encodePolyline;
const ROAD = [];
for (let i = 0; i <= 20; i++) ROAD.push([43.7396 - i * 0.000245, 7.4276 - i * 0.00035 + (i % 2) * 0.0003]);

// Answers can be held back (to see the lookup in progress) or fail with a status.
function startService() {
  const asked = [];
  let failing = null;
  let held = null;
  const server = http.createServer(async (req, res) => {
    const url = new URL(req.url, 'http://x');
    asked.push({ path: url.pathname, query: url.search });
    if (held) await held.promise;
    res.setHeader('Content-Type', 'application/json');
    if (failing) return res.end(JSON.stringify(failing));
    if (url.pathname === '/maps/api/geocode/json') {
      const q = (url.searchParams.get('address') || '').toLowerCase();
      return res.end(JSON.stringify({ status: 'OK',
        results: PLACES.filter((p) => p.formatted_address.toLowerCase().includes(q)) }));
    }
    if (url.pathname === '/maps/api/directions/json') {
      const leg = { start_location: PLACES[0].geometry.location, end_location: PLACES[1].geometry.location,
        steps: [{ polyline: { points: encode(ROAD.slice(0, 2)) } }, { polyline: { points: encode(ROAD) } }] };
      return res.end(JSON.stringify({ status: 'OK', routes: [{ legs: [leg] }] }));
    }
    res.statusCode = 404;
    res.end('{}');
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    base: `http://127.0.0.1:${server.address().port}`,
    asked,
    fail(answer) { failing = answer; },
    hold() { let release; held = { promise: new Promise((r) => { release = r; }) }; held.release = release; },
    release() { const h = held; held = null; h.release(); },
    close: () => new Promise((r) => { server.closeAllConnections(); server.close(r); }),
  })));
}

const DEVICES = [
  ['phone', { viewport: { width: 390, height: 844 } }],
  ['tablet', { viewport: { width: 1024, height: 768 } }],
];
const mapView = (st) => findKind(st.screen, 'mapView')[0];
const pins = (st) => mapView(st).annotations.filter((a) => a.view === 'pin');
const searchBar = (st) => findKind(st.screen, 'searchBar')[0];
const statusBar = (st) => findKind(st.screen, 'statusBar')[0];
const alerts = (st) => st.screen.children.filter((c) => c.kind === 'alert');
const toolbarItem = (page, tag) => page.locator(`[data-kind="toolbar"] [data-kind="barButtonItem"][data-tag="${tag}"]`);
const SEARCH = 6;
const ROUTE = 5;

// The search bar opened from the toolbar, with the keyboard in it.
async function openSearch(page) {
  await toolbarItem(page, SEARCH).click();
  await waitForState(page, (s) => searchBar(s) && !searchBar(s).hidden, 'the search bar');
  const field = page.locator('.search-bar .search-field');
  await field.waitFor();
  await page.waitForFunction(() => document.activeElement === document.querySelector('.search-bar .search-field'));
  return field;
}

// The drawn result rows: the table the search display shows.
const resultRows = (page) => page.locator('[data-kind="tableView"] .table-cell');

async function pick(page, text) {
  await resultRows(page).filter({ hasText: text }).first().click();
  return waitForState(page, (s) => searchBar(s).hidden && !searchBar(s).displayActive, 'the search closed');
}

for (const [name, context] of DEVICES) {
  describe(`search and routes on a ${name}`, () => {
    let service; let app; let page;

    before(async () => {
      service = await startService();
      app = await openApplication(context,
        { args: ['--device', 'auto', '--geocoder', service.base, '--directions', service.base] });
      page = app.page;
    });

    after(async () => {
      await app?.close();
      await service?.close();
    });

    test('typing sends nothing, Search does with the indicator on; a picked place is centred and marked', async () => {
      const field = await openSearch(page);
      await field.pressSequentially('Casino', { delay: 20 });
      await waitForState(page, (s) => searchBar(s).text === 'Casino', 'the typed text');
      await page.waitForTimeout(200);
      assert.equal(service.asked.length, 0, 'typing alone sends nothing');
      assert.equal(await resultRows(page).count(), 0);

      service.hold();
      await field.press('Enter');
      // The network activity indicator spins while the answer is outstanding.
      await page.locator('.status-bar .network-activity').waitFor({ state: 'visible' });
      assert.equal(statusBar(await waitForState(page, () => true)).networkActivityIndicatorVisible, true);
      assert.equal(service.asked.length, 1);
      assert.equal(service.asked[0].query, '?address=Casino&sensor=false');
      service.release();
      await resultRows(page).first().waitFor();
      await page.locator('.status-bar .network-activity').waitFor({ state: 'hidden' });
      assert.deepEqual(await resultRows(page).locator('.cell-text').allTextContents(), ['Place du Casino, 98000 Monaco']);
      await page.screenshot({ path: join(ensureDir(screenshots), `search-${name}-results.png`) });

      const s = await pick(page, 'Casino');
      assert.equal(pins(s).length, 1);
      assert.equal(pins(s)[0].pinColor, 'green');
      const { center, span } = mapView(s).region;
      assert.ok(Math.abs(center.latitude - 43.7396) < 1e-4 && Math.abs(center.longitude - 7.4276) < 1e-4);
      assert.ok(span.latitudeDelta < 0.05, 'about a kilometre across');
      // The page's map shows the place in the middle, and its pin.
      const drawn = await page.evaluate((id) => window.tessaly.maps.get(id).map.getCenter(), mapView(s).id);
      assert.ok(Math.abs(drawn.lat - 43.7396) < 1e-3 && Math.abs(drawn.lng - 7.4276) < 1e-3, JSON.stringify(drawn));
      await page.locator(`.map-view [data-annotation="${pins(s)[0].id}"]`).waitFor();
      assert.equal(await page.locator('.search-bar:visible').count(), 0);
    });

    test('a failing lookup shows its text in an alert and keeps the path; OK without results is "Not found"', async () => {
      for (const [answer, text] of [[{ status: 'OVER_QUERY_LIMIT', results: [] }, 'OVER_QUERY_LIMIT'],
        [{ status: 'OK', results: [] }, 'Not found']]) {
        service.fail(answer);
        const field = await openSearch(page);
        await field.fill('Nowhere');
        await field.press('Enter');
        const box = page.locator('.panel .alert');
        await box.waitFor();
        assert.equal(await box.locator('.title').textContent(), 'Error');
        assert.equal(await box.locator('.message').textContent(), text);
        const s = await waitForState(page, (st) => !statusBar(st).networkActivityIndicatorVisible, 'the indicator off');
        assert.equal(pins(s).length, 1, 'the path stays as it was');
        await box.locator('button', { hasText: 'OK' }).click();
        await waitForState(page, (st) => alerts(st).length === 0, 'the alert closed');
        await page.locator('.search-bar .search-cancel').click();
        await waitForState(page, (st) => searchBar(st).hidden, 'the search cancelled');
      }
      service.fail(null);
    });

    test('a route by car from the route sheet replaces the path by the road', async () => {
      const field = await openSearch(page);
      await field.fill('Port');
      await field.press('Enter');
      await resultRows(page).filter({ hasText: 'Port Hercule' }).waitFor();
      let s = await pick(page, 'Port Hercule');
      assert.equal(pins(s).length, 2);
      assert.equal(pins(s)[1].pinColor, 'purple');

      await toolbarItem(page, ROUTE).click();
      const sheet = page.locator('.panel .sheet');
      await sheet.waitFor();
      assert.equal(await sheet.locator('.title').textContent(), 'Route type');
      assert.equal(await sheet.evaluate((n) => n.classList.contains('popover')), name === 'tablet',
        'a popover at its item on a tablet');
      await sheet.locator('button', { hasText: 'Driving' }).click();
      s = await waitForState(page, (st) => mapView(st).overlays.length === 1 &&
        mapView(st).overlays[0].points.length > 10 && !statusBar(st).networkActivityIndicatorVisible, 'the road route');
      const route = service.asked.find((a) => a.path === '/maps/api/directions/json');
      assert.equal(route.query, '?origin=43.739600,7.427600&destination=43.734700,7.420600&mode=driving&sensor=false');
      // Start, the step's first point (a marker), the end; the line goes through the road's points.
      const line = mapView(s).overlays[0];
      assert.equal(line.points.length, 2 + ROAD.length - 1);
      assert.equal(pins(s).length, 3);
      const drawn = await page.evaluate((id) => {
        const [entry] = window.tessaly.maps.get(id).overlays.values();
        return entry.layer.line.getLatLngs().length;
      }, mapView(s).id);
      assert.equal(drawn, line.points.length);
      await page.screenshot({ path: join(ensureDir(screenshots), `search-${name}-route.png`) });
    });
  });
}

// The own service: a route's total on the status line against the road distance it reports.
describe('a route on the own lookup service', { skip: !monacoDatabase() && `no ${monacoExtract}` }, () => {
  let app; let page;

  before(async () => {
    const database = monacoDatabase();
    app = await openApplication({ viewport: { width: 1024, height: 768 } }, { args: ['--device', 'auto', '--database', database], settings: settingsPlist({ unit: 2 }) });
    page = app.page;
  });

  after(async () => {
    await app?.close();
  });

  test("the application's total is the road distance the service reports", async (t) => {
    for (const [text, expected] of [['boulevard des moulins', 'Boulevard des Moulins'],
      ['avenue princesse grace', 'Avenue Princesse Grace']]) {
      const field = await openSearch(page);
      await field.fill(text);
      await field.press('Enter');
      await resultRows(page).filter({ hasText: expected }).first().waitFor({ timeout: 30000 });
      await pick(page, expected);
    }
    const [a, b] = pins(await waitForState(page, (s) => pins(s).length === 2, 'two markers'));
    await toolbarItem(page, ROUTE).click();
    await page.locator('.panel .sheet button', { hasText: 'Driving' }).click();
    const s = await waitForState(page, (st) => mapView(st).overlays.length === 1 &&
      mapView(st).overlays[0].points.length > 10 && !statusBar(st).networkActivityIndicatorVisible, 'the road route', 30000);
    const status = await page.locator('[data-kind="toolbar"] [data-kind="label"]').first().textContent();
    // Metres, grouped and with the unit on a tablet: the total to the centimetre.
    assert.match(status, /^[\d,]+\.\d\d m$/);
    const total = Number(status.replace(/[^0-9.]/g, ''));

    const f = (c) => `${c.latitude.toFixed(6)},${c.longitude.toFixed(6)}`;
    const answer = await (await fetch(`${app.server.origin}/maps/api/directions/json?origin=${f(a.coordinate)}` +
      `&destination=${f(b.coordinate)}&mode=driving&sensor=false`)).json();
    assert.equal(answer.status, 'OK');
    const metres = answer.routes[0].legs.reduce((sum, leg) => sum + leg.distance.value, 0);
    // The application measures the drawn line (its first step straight, its points rounded to
    // about a metre), the service the roads it chose.
    t.diagnostic(`status line ${status}, the service's road ${metres} m`);
    assert.ok(metres > 300, `a real drive: ${metres} m`);
    assert.ok(Math.abs(total - metres) <= 0.02 * metres, `status ${status} against the service's ${metres} m`);
    assert.equal(pins(s)[0].pinColor, 'green');
    await page.screenshot({ path: join(ensureDir(screenshots), 'search-service-route.png') });
  });
});

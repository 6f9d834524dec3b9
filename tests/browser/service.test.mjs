// The program's own lookup service behind the page, on the real Monaco extract: search a street,
// pick it, search a second place, route by car; the drawn path keeps to the roads.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { join } from 'node:path';
import {
  openApplication, waitForState, devices, screenshots, ensureDir, mapOf, pins, lines, toolbarOf, busy,
} from './harness.mjs';
import { monacoExtract, monacoDatabase } from './monaco.mjs';

describe('the own lookup service on Monaco', { skip: !monacoDatabase() && `no ${monacoExtract}` }, () => {
  let database; let server; let browser; let page;

  before(async () => {
    database = monacoDatabase();
    ({ server, browser, page } = await openApplication({ ...devices['Pixel 5'] },
      { args: ['--device', 'auto', '--database', database] }));
    await waitForState(page, (s) => mapOf(s) && toolbarOf(s), 'the map screen');
  });

  after(async () => {
    if (browser) await browser.close();
    if (server) assert.equal(await server.stop(), 0);
  });

  async function searchAndPick(text, expected) {
    await page.click('.toolbar .bar-item[data-tag=\"6\"]');
    const input = page.locator('.search-field');
    await input.waitFor();
    await input.fill(text);
    await input.press('Enter');
    const row = page.locator('.table-view .table-cell', { hasText: expected }).first();
    await row.waitFor();
    await waitForState(page, (s) => !busy(s), 'the lookup finished');
    await row.click();
    await page.locator('.search-bar').waitFor({ state: 'hidden' });
  }

  test('a street found, a second place, a car route along the roads', async () => {
    await searchAndPick('boulevard des moulins', 'Boulevard des Moulins');
    await waitForState(page, (s) => pins(s).length === 1, 'the first marker');
    await searchAndPick('avenue princesse grace', 'Avenue Princesse Grace');
    await waitForState(page, (s) => pins(s).length === 2, 'the second marker');

    await page.click('.toolbar .bar-item[data-tag=\"5\"]');
    await page.locator('.panel .sheet button', { hasText: 'Driving' }).click();
    const s = await waitForState(page, (st) => lines(st).length === 1 &&
      lines(st)[0].points.length > 10 && !busy(st), 'the road route', 30000);
    await page.screenshot({ path: join(ensureDir(screenshots), 'service-monaco-route.png') });

    // Every drawn point stands on a node of the driving network (within the polyline's rounding).
    const rows = execFileSync('sqlite3', ['-readonly', database, 'SELECT lat, lng FROM drive_nodes'],
      { encoding: 'utf8', maxBuffer: 64 << 20 }).trim().split('\n');
    const cell = (lat, lng) => `${Math.round(lat * 5e3)},${Math.round(lng * 5e3)}`;
    const grid = new Map();
    for (const r of rows) {
      const [lat, lng] = r.split('|').map(Number);
      const key = cell(lat, lng);
      if (!grid.has(key)) grid.set(key, []);
      grid.get(key).push([lat, lng]);
    }
    const near = ([lat, lng]) => {
      for (let i = -1; i <= 1; i++) {
        for (let j = -1; j <= 1; j++) {
          const list = grid.get(`${Math.round(lat * 5e3) + i},${Math.round(lng * 5e3) + j}`) || [];
          for (const [a, b] of list) {
            const dy = (a - lat) * 111195; const dx = (b - lng) * 111195 * Math.cos(lat * Math.PI / 180);
            if (Math.hypot(dx, dy) < 2.5) return true;
          }
        }
      }
      return false;
    };
    const points = lines(s)[0].points;
    const off = points.filter((p) => !near(p));
    assert.deepEqual(off, [], 'points off the driving network');
  });
});

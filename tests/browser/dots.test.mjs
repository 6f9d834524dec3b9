// Hundreds of pins are drawn as dots: each where its coordinate is, in its pin's colour, drawn
// again when the path grows or the map is dragged, and a click on one selects that pin.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { startProgram, launchBrowser, waitForState, post, mapOf, tapToolbarItem } from './harness.mjs';

const COLOURS = { green: [0x2e, 0xc2, 0x3a], purple: [0xa4, 0x3c, 0xe0], red: [0xe0, 0x30, 0x2a] };

// The colour drawn at the middle of each pin's dot, and where that is on the page.
async function dotsDrawn(page, ids) {
  return page.evaluate((ids) => {
    const [m] = window.tessaly.maps.values();
    const canvas = m.map.tessalyDots._container;
    const box = canvas.getBoundingClientRect();
    const scale = canvas.width / box.width;
    const host = m.map.getContainer().getBoundingClientRect();
    return ids.map((id) => {
      const entry = m.annotations.get('annotationView#' + id);
      const p = m.map.latLngToContainerPoint(entry.marker.getLatLng());
      const x = host.left + p.x, y = host.top + p.y;
      const rgb = canvas.getContext('2d').getImageData(Math.round((x - box.left) * scale), Math.round((y - box.top) * scale), 1, 1).data;
      return { id, x, y, rgb: [rgb[0], rgb[1], rgb[2]], alpha: rgb[3] };
    });
  }, ids);
}

function expectColour(dot, name, what) {
  const want = COLOURS[name];
  assert.ok(dot.rgb.every((c, i) => Math.abs(c - want[i]) <= 8), `${what}: ${name} wanted, drew ${dot.rgb} at ${dot.x},${dot.y}`);
}

test('hundreds of pins are dots in their colours, and a click selects one', async () => {
  const server = await startProgram(['--device', 'phone']);
  const browser = await launchBrowser();
  try {
    const page = await (await browser.newContext({ viewport: { width: 400, height: 760 }, deviceScaleFactor: 2 })).newPage();
    page.on('pageerror', (e) => console.error('page error:', e.message));
    await page.goto(server.url);
    const start = await waitForState(page, (s) => mapOf(s) && s.device.screen.width === 400, 'the map screen', 30000);
    const frame = mapOf(start).frame;
    const at = (k) => ({ x: 20 + ((k * 37) % (frame.width - 40)), y: 20 + ((k * 53) % (frame.height - 40)) });
    const batch = Array.from({ length: 400 }, (_, k) => ({ type: 'longPress', point: at(k) }));
    let res = await post(server.origin, batch);
    assert.equal(res.status, 200, res.text);
    let state = await waitForState(page, (s) => mapOf(s).annotations.length === 400, '400 pins');
    await page.waitForTimeout(300);
    let pins = mapOf(state).annotations;
    assert.equal(await page.locator('.pin').count(), 0, 'no pin elements: dots');
    let dots = await dotsDrawn(page, [pins[0].id, pins[200].id, pins[399].id]);
    [pins[0], pins[200], pins[399]].forEach((p, i) => expectColour(dots[i], p.pinColor, `pin ${p.id}`));
    assert.deepEqual([pins[0].pinColor, pins[200].pinColor], ['green', 'purple'], 'the start has a colour of its own');

    // One more: its dot is drawn, and those before stay drawn.
    res = await post(server.origin, { type: 'longPress', point: { x: 30, y: frame.height - 30 } });
    state = await waitForState(page, (s) => mapOf(s).annotations.length === 401, '401 pins');
    await page.waitForTimeout(300);
    pins = mapOf(state).annotations;
    const picked = [pins[0], pins[200], pins[400]];
    dots = await dotsDrawn(page, picked.map((p) => p.id));
    picked.forEach((p, i) => expectColour(dots[i], p.pinColor, `after one more, pin ${p.id}`));

    // Many more at once, some beside earlier ones: painted over the canvas as it is, the old
    // ones stay and each new one shows.
    const more = Array.from({ length: 300 }, (_, k) => ({ type: 'longPress', point: at(k < 150 ? k + 1000 : k) }));
    more.forEach((m) => { m.point.x += 3; });
    res = await post(server.origin, more);
    assert.equal(res.status, 200, res.text);
    state = await waitForState(page, (s) => mapOf(s).annotations.length === 701, '701 pins');
    await page.waitForTimeout(300);
    pins = mapOf(state).annotations;
    const sample = [pins[0], pins[133], pins[399], pins[401], pins[550], pins[699], pins[700]];
    dots = await dotsDrawn(page, sample.map((p) => p.id));
    sample.forEach((p, i) => expectColour(dots[i], p.pinColor, `after 300 more, pin ${p.id}`));

    // A click on a dot selects its pin.
    const [target] = await dotsDrawn(page, [pins[123].id]);
    await page.mouse.click(target.x, target.y);
    state = await waitForState(page, (s) => mapOf(s).annotations.some((a) => a.selected), 'a selected pin');
    const selected = mapOf(state).annotations.filter((a) => a.selected).map((a) => a.id);
    assert.equal(selected.length, 1);
    const [chosen] = await dotsDrawn(page, selected);
    assert.ok(Math.hypot(chosen.x - target.x, chosen.y - target.y) <= 6, `the dot clicked is selected: ${JSON.stringify([chosen, target])}`);

    // The map dragged by a dot: every dot is drawn again where it now stands, and letting go
    // over another dot leaves the selection as it was.
    const [held] = await dotsDrawn(page, [pins[300].id]);
    await page.mouse.move(held.x, held.y);
    await page.mouse.down();
    for (let step = 1; step <= 6; step++) await page.mouse.move(held.x + step * 10, held.y + step * 7);
    await page.mouse.up();
    await page.waitForTimeout(400);
    const [moved] = await dotsDrawn(page, [pins[300].id]);
    assert.ok(Math.hypot(moved.x - held.x - 60, moved.y - held.y - 42) <= 2, `the map moved with the drag: ${JSON.stringify([held, moved])}`);
    dots = await dotsDrawn(page, sample.map((p) => p.id));
    sample.forEach((p, i) => expectColour(dots[i], p.pinColor, `after the drag, pin ${p.id}`));
    state = await page.evaluate(() => window.tessaly.state);
    assert.deepEqual(mapOf(state).annotations.filter((a) => a.selected).map((a) => a.id), selected, 'a drag selects no pin');

    // Cleared, no dot is left on the canvas.
    const gone = await dotsDrawn(page, [pins[0].id, pins[450].id, pins[700].id]);
    await tapToolbarItem(server.origin, 2);
    await waitForState(page, (s) => mapOf(s).annotations.length === 0, 'no pins');
    await page.waitForTimeout(300);
    const left = await page.evaluate((points) => {
      const [m] = window.tessaly.maps.values();
      const canvas = m.map.tessalyDots._container;
      const box = canvas.getBoundingClientRect();
      const scale = canvas.width / box.width;
      return points.map((p) => canvas.getContext('2d').getImageData(Math.round((p.x - box.left) * scale), Math.round((p.y - box.top) * scale), 1, 1).data[3]);
    }, gone);
    assert.deepEqual(left, [0, 0, 0], 'the dots are wiped');
  } finally {
    await browser.close();
    assert.equal(await server.stop(), 0);
  }
});

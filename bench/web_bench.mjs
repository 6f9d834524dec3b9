// Web host benchmark, run by hand (never a test):
//   [TESSALY_PROGRAM=path/to/tessaly] node bench/web_bench.mjs   (default build/tessaly)
// Measures in Debian's Chromium against the real program on a free loopback port:
//  1. press to pin: from the moment a held press is recognised in the page (0.5 s) to the new
//     pin in the page's DOM, over 40 mouse presses, then 40 more with a busy process on each core;
//  2. a 10000-entry path built through the API (ten batches of 1000 long presses): the size and
//     build time of its snapshot, and the time from posting the last batch to the page having
//     drawn and painted that state (pins and line), with the page's own read and draw times and
//     the host's snapshot, compare times and the size of the changes sent;
//  3. then single presses on that long path, posted to painted;
//  4. a page that opens on that path: the time it takes to draw the whole state, five times.
import { spawn } from 'node:child_process';
import {
  startProgram, launchBrowser, waitForState, mouseLongPress, post, mapOf, tapToolbarItem,
} from '../tests/browser/harness.mjs';

const median = (xs) => { const s = [...xs].sort((a, b) => a - b); return s[Math.floor(s.length / 2)]; };
const p95 = (xs) => { const s = [...xs].sort((a, b) => a - b); return s[Math.min(s.length - 1, Math.floor(s.length * 0.95))]; };
const fmt = (x) => x.toFixed(1);

const server = await startProgram(['--device', 'phone']);
const browser = await launchBrowser();
try {
  const page = await (await browser.newContext({ viewport: { width: 400, height: 760 } })).newPage();
  page.on('pageerror', (e) => console.error('page error:', e.message));
  page.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') console.error('page:', m.text()); });
  await page.goto(server.url);
  await waitForState(page, (s) => mapOf(s) && s.device.screen.width === 400, 'the map screen', 30000);

  // 1. Press to pin.
  await page.evaluate(() => {
    window.pinTimes = [];
    new MutationObserver((records) => {
      for (const r of records) for (const n of r.addedNodes)
        if (n.classList && n.classList.contains('pin') && window.tessaly.longPressAt)
          window.pinTimes.push(performance.now() - window.tessaly.longPressAt);
    }).observe(document.querySelector('.map-view'), { childList: true, subtree: true });
  });
  // Twice: on a quiet machine, then with a busy process on each core at the same priority.
  const pressToPin = async (first, presses, what) => {
    await page.evaluate(() => { window.pinTimes = []; });
    for (let i = 0; i < presses; i++) {
      await mouseLongPress(page, 40 + (i % 5) * 70 + Math.floor(i / 20) * 20 + (first ? 10 : 0),
        120 + Math.floor((i % 20) / 5) * 90 + (first ? 40 : 0));
      await waitForState(page, (s) => mapOf(s).annotations.length === first + i + 1, `pin ${first + i + 1}`);
    }
    const pinTimes = await page.evaluate(() => window.pinTimes);
    console.log(`press to pin on screen${what}: median ${fmt(median(pinTimes))} ms, p95 ${fmt(p95(pinTimes))} ms, ` +
      `max ${fmt(Math.max(...pinTimes))} ms over ${pinTimes.length} presses`);
  };
  const presses = 40;
  await pressToPin(0, presses, '');
  const busy = [0, 1].map(() => spawn(process.execPath, ['-e', 'for (;;) {}'], { stdio: 'ignore' }));
  try {
    await pressToPin(presses, presses, ', both cores busy');
  } finally {
    for (const b of busy) b.kill();
  }

  // 2. A 10000-entry path.
  await tapToolbarItem(server.origin, 2);
  const s0 = await waitForState(page, (s) => mapOf(s).annotations.length === 0, 'clear');
  const frame = mapOf(s0).frame;
  let reply;
  let t0 = 0;
  for (let b = 0; b < 10; b++) {
    const batch = [];
    for (let i = 0; i < 1000; i++) {
      const k = b * 1000 + i;
      batch.push({ type: 'longPress', point: { x: 5 + ((k * 37) % (frame.width - 10)),
        y: 5 + ((k * 53) % (frame.height - 10)) } });
    }
    if (b === 9) t0 = Date.now();
    const res = await post(server.origin, batch);
    if (res.status !== 200) throw new Error(res.text);
    reply = JSON.parse(res.text);
  }
  const posted = Date.now() - t0;
  // In the page: the moment that version was drawn, and the moment after the frame that shows it
  // was painted (the second animation frame from there).
  const drawn = await page.evaluate((v) => new Promise((resolve) => {
    const check = () => {
      if (window.tessaly.version < v) return requestAnimationFrame(check);
      const at = window.tessaly.lastRender.receivedAt;
      requestAnimationFrame(() => requestAnimationFrame(() => resolve({ at, painted: Date.now() })));
    };
    check();
  }), reply.version);
  const drawnAfter = drawn.painted - t0;
  const stats = await (await fetch(server.origin + '/api/stats')).json();
  const render = await page.evaluate(() => window.tessaly.lastRender);
  const state = await (await fetch(server.origin + '/api/state')).json();
  console.log(`10000-entry path: ${mapOf(state).annotations.length} pins, line of ${mapOf(state).overlays[0].points.length} points`);
  console.log(`  snapshot ${(stats.snapshotBytes / 1e6).toFixed(2)} MB, built in ${fmt(stats.snapshotMilliseconds)} ms` +
    (stats.diffMilliseconds === undefined ? '' : `, indexed and compared in ${fmt(stats.diffMilliseconds)} ms, ` +
      `changes ${(stats.patchBytes / 1e3).toFixed(1)} kB`));
  console.log(`  last batch of 1000 presses answered in ${posted} ms (applied and snapshot taken)`);
  console.log(`  from posting it to the page having drawn it: ${drawn.at - t0} ms, painted: ${drawnAfter} ms ` +
    `(page: ${render.patched ? 'changes' : render.fetched ? 'state fetched' : 'state event'}` +
    `${render.bytes ? ` of ${(render.bytes / 1e3).toFixed(1)} kB` : ''}, read in ${fmt(render.parseMs)} ms, draw ${fmt(render.drawMs)} ms)`);

  // 3. One press more on the long path: the changes alone against the whole state.
  const more = [];
  for (let i = 0; i < 10; i++) {
    const t1 = Date.now();
    const res = await post(server.origin, { type: 'longPress', point: { x: 10 + i * 30, y: 100 } });
    const v = JSON.parse(res.text).version;
    const shown = await page.evaluate((v) => new Promise((resolve) => {
      const check = () => (window.tessaly.version < v ? requestAnimationFrame(check)
        : requestAnimationFrame(() => requestAnimationFrame(() => resolve(Date.now()))));
      check();
    }), v);
    more.push(shown - t1);
  }
  const last = await (await fetch(server.origin + '/api/stats')).json();
  const lastRender = await page.evaluate(() => window.tessaly.lastRender);
  console.log(`one press more on the path, posted to painted: median ${fmt(median(more))} ms, p95 ${fmt(p95(more))} ms ` +
    `(snapshot ${fmt(last.snapshotMilliseconds)} ms` + (last.diffMilliseconds === undefined ? ''
    : `, indexed and compared ${fmt(last.diffMilliseconds)} ms, changes ${last.patchBytes} bytes`) +
    `; page read ${fmt(lastRender.parseMs)} ms, draw ${fmt(lastRender.drawMs)} ms)`);

  // 4. Opening the page on the long path: every pin and the whole line drawn at once.
  const opened = [];
  for (let r = 0; r < 5; r++) {
    await page.reload();
    await waitForState(page, (s) => mapOf(s) && mapOf(s).annotations.length === mapOf(state).annotations.length + 10,
      'the long path again', 30000);
    opened.push(await page.evaluate(() => window.tessaly.lastRender.drawMs));
  }
  console.log(`page opened on the path, whole state drawn in: median ${fmt(median(opened))} ms, ` +
    `max ${fmt(Math.max(...opened))} ms over ${opened.length} loads`);
} finally {
  await browser.close();
  await server.stop();
}

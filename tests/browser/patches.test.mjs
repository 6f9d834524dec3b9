// The page keeps up through the changes the host sends: after many presses, a reconnect and (for
// a session) a restart of its process, the state it drew is exactly the host's /api/state, and
// most versions came as changes rather than whole states.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { startProgram, launchBrowser, mapOf, pins, post } from './harness.mjs';

// The context's cookies as a header, so that posts from here reach the page's own session.
async function cookieHeader(page) {
  const cookies = await page.context().cookies();
  return cookies.length ? { Cookie: cookies.map((c) => `${c.name}=${c.value}`).join('; ') } : {};
}

async function hostState(page) {
  const res = await page.request.get('/api/state');
  assert.equal(res.status(), 200, await res.text());
  return res.json();
}

// Until the page has drawn the host's latest version; then the two states must be the same.
async function expectSameAsHost(page, what) {
  let host;
  for (let i = 0; i < 200; i++) {
    host = await hostState(page);
    const drawn = await page.evaluate(() => window.tessaly.version);
    if (drawn === host.version) break;
    await page.waitForTimeout(50);
  }
  const drawn = await page.evaluate(() => window.tessaly.state);
  assert.equal(drawn.version, host.version, `${what}: the page drew the host's version`);
  assert.deepEqual(drawn, host, `${what}: the page's state is the host's`);
  return host;
}

async function counts(page) {
  return page.evaluate(() => ({ patches: window.tessaly.patchesApplied, version: window.tessaly.version }));
}

// Presses one after another, each waited for on the page; a few select and deselect the pin.
async function pressMany(page, origin, n, what) {
  const headers = await cookieHeader(page);
  const frame = mapOf(await hostState(page)).frame;
  for (let k = 0; k < n; k++) {
    const point = { x: 20 + ((k * 37) % (frame.width - 40)), y: 20 + ((k * 53) % (frame.height - 40)) };
    let res = await post(origin, { type: 'longPress', point }, headers);
    assert.equal(res.status, 200, res.text);
    if (k % 7 === 3) {
      const added = pins(await hostState(page)).at(-1);
      res = await post(origin, [{ type: 'selectAnnotation', id: added.id }, { type: 'deselectAnnotation', id: added.id }], headers);
      assert.equal(res.status, 200, res.text);
    }
    const { version } = JSON.parse(res.text);
    await page.waitForFunction((v) => window.tessaly.version >= v, version, { timeout: 15000 });
  }
  return expectSameAsHost(page, what);
}

async function openPage(browser, server) {
  const context = await browser.newContext({ viewport: { width: 400, height: 760 }, baseURL: server.origin });
  const page = await context.newPage();
  page.on('pageerror', (e) => console.error('page error:', e.message));
  await page.goto(server.url);
  await page.waitForFunction(() => window.tessaly && window.tessaly.state && window.tessaly.state.screen);
  return page;
}

// The page's stream cut and opened again while the host moved on: the page gets the whole
// state, and changes again after it.
async function reconnect(page, origin) {
  const headers = await cookieHeader(page);
  await page.context().setOffline(true);
  // A touch that cannot be sent makes the page open its stream again, which fails until online.
  await page.evaluate(() => window.tessaly.send({ type: 'deselectAnnotation', id: 0 }));
  await page.waitForFunction(() => !window.tessaly.connected, null, { timeout: 15000 });
  const frame = mapOf(await hostState(page)).frame;
  for (let k = 0; k < 3; k++) {
    const res = await post(origin, { type: 'longPress', point: { x: 30 + k * 40, y: frame.height - 60 } }, headers);
    assert.equal(res.status, 200, res.text);
  }
  await page.context().setOffline(false);
  await page.waitForFunction(() => window.tessaly.connected, null, { timeout: 20000 });
}

for (const sessions of [false, true]) {
  test(`the page follows the changes ${sessions ? 'of its session' : 'of the one screen'}`, async () => {
    const server = await startProgram(['--device', 'phone'], { sessions });
    const browser = await launchBrowser();
    try {
      const page = await openPage(browser, server);
      for (let i = 0; i < 300 && !mapOf(await hostState(page)); i++) await page.waitForTimeout(50);
      const start = await counts(page);
      let host = await pressMany(page, server.origin, 25, 'after 25 presses');
      const pressed = await counts(page);
      assert.ok(pressed.patches - start.patches >= 20,
        `most versions came as changes: ${pressed.patches - start.patches} of ${pressed.version - start.version}`);

      // Changes too big for an event (over 256 KiB, under a quarter of the state) are fetched.
      const headers = await cookieHeader(page);
      const frame = mapOf(host).frame;
      for (const [b, n] of [[0, 1000], [1, 1000], [2, 1000], [3, 800]]) {
        const batch = Array.from({ length: n }, (_, i) => ({ type: 'longPress',
          point: { x: 5 + (((b * 1000 + i) * 37) % (frame.width - 10)), y: 5 + (((b * 1000 + i) * 53) % (frame.height - 10)) } }));
        const res = await post(server.origin, batch, headers);
        assert.equal(res.status, 200, res.text);
        await page.waitForFunction((v) => window.tessaly.version >= JSON.parse(v).version, res.text, { timeout: 60000 });
      }
      host = await expectSameAsHost(page, 'after big changes');
      const render = await page.evaluate(() => window.tessaly.lastRender);
      assert.ok(render.patched && render.fetched, `the last changes were fetched: ${JSON.stringify(render)}`);

      // The host moves on while the page is fetching a big step: the page still gets that very
      // step, then the small one after it, and never the whole state.
      const fetched = [];
      page.on('response', (r) => { if (/\/api\/(state|changes)/.test(r.url())) fetched.push([new URL(r.url()).pathname, r.status()]); });
      let openGate, asked;
      const gate = new Promise((resolve) => { openGate = resolve; });
      const askedOnce = new Promise((resolve) => { asked = resolve; });
      await page.route('**/api/changes*', async (route) => { asked(); await gate; await route.continue(); });
      const big = Array.from({ length: 800 }, (_, i) => ({ type: 'longPress',
        point: { x: 7 + ((i * 41) % (frame.width - 14)), y: 7 + ((i * 29) % (frame.height - 14)) } }));
      assert.equal((await post(server.origin, big, headers)).status, 200);
      await askedOnce;
      const small = await post(server.origin, { type: 'longPress', point: { x: 30, y: 30 } }, headers);
      assert.equal(small.status, 200, small.text);
      openGate();
      await page.waitForFunction((v) => window.tessaly.version >= v, JSON.parse(small.text).version, { timeout: 60000 });
      await page.unroute('**/api/changes*');
      host = await expectSameAsHost(page, 'after the host moved on during a fetch');
      assert.deepEqual(fetched.filter(([path]) => path === '/api/state'), [], `no whole state: ${JSON.stringify(fetched)}`);
      assert.ok(fetched.some(([path, status]) => path === '/api/changes' && status === 200), JSON.stringify(fetched));
      const pinsBefore = pins(host).length;

      await reconnect(page, server.origin);
      host = await expectSameAsHost(page, 'after the reconnect');
      assert.equal(pins(host).length, pinsBefore + 3, 'the presses made while away are drawn');
      const reconnected = await counts(page);
      host = await pressMany(page, server.origin, 8, 'after presses since the reconnect');
      assert.ok((await counts(page)).patches - reconnected.patches >= 6, 'changes again after the whole state');

      if (sessions) {
        // The session's process killed: the front starts another with versions rebased.
        const [, pid] = [...server.errors().matchAll(/session \w{8} runs in process (\d+)/g)].at(-1);
        process.kill(Number(pid), 'SIGKILL');
        await page.waitForFunction(() => window.tessaly.state.session && window.tessaly.state.session.restarts === 1,
          null, { timeout: 30000 });
        await page.waitForFunction(() => window.tessaly.state.screen, null, { timeout: 30000 });
        const restarted = await counts(page);
        assert.ok(restarted.version > reconnected.version, 'versions keep growing across the restart');
        host = await pressMany(page, server.origin, 8, 'after the restart');
        assert.equal(host.session.restarts, 1);
        assert.ok((await counts(page)).patches - restarted.patches >= 6, 'changes from the new process too');
      }
    } finally {
      await browser.close();
      assert.equal(await server.stop(), 0);
    }
  });
}

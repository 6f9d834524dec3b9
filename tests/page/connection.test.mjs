// The page catching up with the host: announced steps it lacks are fetched at once and drawn
// once (those announced meanwhile too), and a step the host no longer keeps sends it to the
// whole state.
import { test } from 'node:test';
import assert from 'node:assert/strict';

// A stand-in for the browser: one event stream the test speaks through, and fetches it answers.
class FakeEventSource {
  static last = null;
  static CLOSED = 2;
  constructor(url) {
    this.url = url;
    this.readyState = 1;
    this.listeners = {};
    FakeEventSource.last = this;
  }
  addEventListener(name, listener) { (this.listeners[name] ||= []).push(listener); }
  close() { this.readyState = 2; }
  emit(name, data) { for (const l of this.listeners[name] || []) l({ data: data === undefined ? '' : JSON.stringify(data) }); }
}
globalThis.EventSource = FakeEventSource;
globalThis.document = { getElementById: () => null };
const asked = [];
const answers = new Map();
globalThis.fetch = async (url) => {
  asked.push(url);
  const answer = answers.get(url);
  if (!answer) return { ok: false, status: 404, json: async () => ({}), text: async () => '' };
  const { status, body } = typeof answer === 'function' ? await answer() : answer;
  return { ok: status < 300, status, json: async () => body, text: async () => JSON.stringify(body) };
};

const { page } = await import('../../resources/web/page/state.js');
const { connect } = await import('../../resources/web/page/connection.js');

const pins = (n) => Array.from({ length: n }, (_, i) => ({ id: 100 + i }));
const stateAt = (version, n) => ({ version, screen: { id: 1, pins: pins(n) } });
const step = (version, n) => ({ version, base: version - 1, ops: [{ op: 'splice', path: ['screen', 'pins'], at: n - 1, remove: 0, insert: [{ id: 100 + n - 1 }] }] });
const settled = () => new Promise((resolve) => setTimeout(resolve, 20));

test('steps the page lacks are fetched together and drawn once; a step no longer kept means the state', async () => {
  const drawn = [];
  connect((state) => {
    page.state = state;
    page.version = state.version;
    drawn.push(state.version);
  });
  const stream = FakeEventSource.last;
  stream.emit('open');
  stream.emit('state', stateAt(1, 1));
  assert.deepEqual(drawn, [1]);

  // Version 2 too big to send: while its state is on the way, steps 3 and 4 are announced.
  let release;
  answers.set('/api/changes?version=2', { status: 204 });
  answers.set('/api/state', () => new Promise((resolve) => { release = () => resolve({ status: 200, body: stateAt(2, 2) }); }));
  answers.set('/api/changes?version=3', { status: 200, body: step(3, 3) });
  answers.set('/api/changes?version=4', { status: 200, body: step(4, 4) });
  stream.emit('version', { version: 2, bytes: 300000 });
  await settled();
  stream.emit('patch', { version: 3, base: 2, bytes: 300000 });
  stream.emit('patch', { version: 4, base: 3, bytes: 300000 });
  const patchesBefore = page.patchesApplied;
  release();
  await settled();
  assert.deepEqual(drawn, [1, 2, 4], 'steps 3 and 4 drawn as one');
  assert.deepEqual(page.state, stateAt(4, 4));
  assert.equal(page.patchesApplied - patchesBefore, 2);
  assert.deepEqual(asked.slice(-2).sort(), ['/api/changes?version=3', '/api/changes?version=4']);

  // A step announced while the step before is on its way is fetched too, and both are drawn as
  // one: drawing each would keep a page behind a host that makes them faster.
  let releaseFive;
  answers.set('/api/changes?version=5', () => new Promise((resolve) => { releaseFive = () => resolve({ status: 200, body: step(5, 5) }); }));
  answers.set('/api/changes?version=6', { status: 200, body: step(6, 6) });
  stream.emit('patch', { version: 5, base: 4, bytes: 300000 });
  await settled();
  stream.emit('patch', { version: 6, base: 5, bytes: 300000 });
  releaseFive();
  await settled();
  assert.deepEqual(drawn.slice(-2), [4, 6], 'steps 5 and 6 drawn as one');
  assert.deepEqual(page.state, stateAt(6, 6));

  // Step 8 is kept but 7 no longer is: the whole state, and nothing applied out of turn.
  asked.length = 0;
  answers.set('/api/changes?version=7', { status: 204 });
  answers.set('/api/changes?version=8', { status: 200, body: step(8, 8) });
  answers.set('/api/state', { status: 200, body: stateAt(8, 8) });
  stream.emit('patch', { version: 7, base: 6, bytes: 300000 });
  await settled();
  stream.emit('patch', { version: 8, base: 7, bytes: 300000 });
  await settled();
  assert.deepEqual(page.state, stateAt(8, 8));
  assert.ok(asked.includes('/api/state'), JSON.stringify(asked));
  assert.equal(drawn.at(-1), 8);
});

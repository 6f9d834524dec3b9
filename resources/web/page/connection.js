// Talking to the host: inputs go out as posts, states come in over server-sent events, whole or
// as the changes from the version before (a page that missed that version fetches the whole
// state instead). A lost connection shows a small message below the status bar (never over the
// toolbar), a touch while disconnected says that it was not sent, and the page reconnects by
// itself and redraws.
import { page } from './state.js';
import { noticeFromEvent } from './notice.js';
import { applyPatch } from './patch.js';

let drawState = () => {};
let stream = null;
let retryMs = 500;
let freshConnection = true;
let messageNode = null;

function message(text) {
  if (!messageNode) messageNode = document.getElementById('connection');
  if (!messageNode) return;
  messageNode.textContent = text || '';
  messageNode.hidden = !text;
}

function connected() {
  page.connected = true;
  retryMs = 500;
  message('');
}

function lost() {
  page.connected = false;
  message('Connection to Tessaly lost; reconnecting\u2026');
}

export async function send(input) {
  page.inputsSent++;
  if (!page.connected && stream) {
    message('Not connected: that touch was not sent. Reconnecting\u2026');
  }
  let res;
  try {
    res = await fetch('/api/input', {
      method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(input),
      credentials: 'same-origin',
    });
  } catch (e) {
    page.lastError = 'not connected';
    message('Not connected: that touch was not sent. Reconnecting\u2026');
    reconnectSoon();
    return null;
  }
  const text = await res.text();
  if (!res.ok) {
    page.lastError = text.trim();
    console.warn('input refused:', page.lastError);
    return null;
  }
  try {
    return JSON.parse(text);
  } catch (e) {
    return null;
  }
}
page.send = send;

// A state is drawn when it is newer than the last, or when it is the first of a new
// connection (the host may have started afresh with lower versions).
function accept(state, extra) {
  if (!state || (!freshConnection && state.version <= page.version)) return;
  freshConnection = false;
  const t0 = performance.now();
  drawState(state);
  page.lastRender = { version: state.version, drawMs: performance.now() - t0, receivedAt: Date.now(), ...extra };
}

// Changes apply only to exactly the version they were made against; false when they do not
// fit the state drawn (then the page fetches the whole state).
function acceptChanges(patch, extra) {
  if (freshConnection || !page.state || patch.base !== page.version) return false;
  let state;
  try {
    state = applyPatch(page.state, patch);
  } catch (e) {
    console.warn(e.message);
    return false;
  }
  accept(state, extra);
  page.patchesApplied++;
  return true;
}

// Further behind than this, the whole state is the quicker way: each step is under a quarter of it.
const kStepsWorthFetching = 4;
const kStepsGatherMs = 250;
// The newest version the host told of; changes that came while a whole state was on its way.
let fetching = false;
let wanted = 0;
let held = [];
// Big changes are announced and fetched (compressed): the host keeps the last few steps, so a
// page a version or a few behind catches up without the whole state, fetching the steps at once
// and drawing only the last. True when at least the step after the version drawn was applied;
// false when the host no longer has it (204) and the page fetches the whole state.
async function fetchSteps() {
  const t0 = performance.now();
  const from = page.version;
  const steps = [];
  // Steps announced while others were on their way are fetched too before drawing, within the
  // same bound and for a moment at most: a page that drew every step would stay behind a host
  // that makes them faster than the page draws them.
  for (let next = from + 1; next <= wanted && wanted - from <= kStepsWorthFetching &&
    (!steps.length || performance.now() - t0 < kStepsGatherMs);) {
    const asked = [];
    for (; next <= wanted; next++) {
      asked.push(fetch(`/api/changes?version=${next}`, { credentials: 'same-origin' })
        .then((res) => (res.status === 200 ? res.json() : null)));
    }
    steps.push(...await Promise.all(asked));
  }
  if (freshConnection || !page.state || page.version !== from) return page.version > from;
  let state = page.state;
  let applied = 0;
  for (const step of steps) {
    if (!step || !step.ops || step.base !== state.version) break;
    try {
      state = applyPatch(state, step);
    } catch (e) {
      console.warn(e.message);
      break;
    }
    applied++;
  }
  if (!applied) return false;
  accept(state, { parseMs: performance.now() - t0, fetched: true, patched: true, steps: applied });
  page.patchesApplied += applied;
  return true;
}

const applyHeld = () => {
  for (const patch of held.splice(0)) if (patch.version > page.version && patch.ops) acceptChanges(patch, { held: true });
};

async function fetchState() {
  if (fetching) return;
  fetching = true;
  try {
    let last = -1;
    while (wanted > page.version || freshConnection) {
      if (!freshConnection && wanted - page.version <= kStepsWorthFetching && await fetchSteps()) {
        applyHeld();
        continue;
      }
      const t0 = performance.now();
      const res = await fetch('/api/state', { credentials: 'same-origin' });
      if (!res.ok) throw new Error(`state: ${res.status}`);
      const state = await res.json();
      accept(state, { parseMs: performance.now() - t0, fetched: true });
      applyHeld();
      // A state no newer than the one fetched before: the host has nothing newer to give.
      if (state.version <= last) break;
      last = state.version;
    }
  } catch (e) {
    lost();
  } finally {
    fetching = false;
  }
}

function changesCame(e) {
  connected();
  const t0 = performance.now();
  const patch = JSON.parse(e.data);
  if (!freshConnection && patch.version <= page.version) return;
  if (patch.version > wanted) wanted = patch.version;
  if (fetching) {
    held.push(patch);
    return;
  }
  if (!patch.ops) fetchState();
  else if (!acceptChanges(patch, { bytes: e.data.length, parseMs: performance.now() - t0, patched: true })) fetchState();
}

let retryTimer = null;
function reconnectSoon() {
  if (retryTimer) return;
  retryTimer = setTimeout(() => {
    retryTimer = null;
    open();
  }, retryMs);
  retryMs = Math.min(5000, retryMs * 2);
}

function open() {
  if (stream) stream.close();
  freshConnection = true;
  held = [];
  stream = new EventSource('/api/events');
  stream.addEventListener('open', () => {
    freshConnection = true;
    connected();
  });
  stream.addEventListener('state', (e) => {
    connected();
    const t0 = performance.now();
    const state = JSON.parse(e.data);
    accept(state, { bytes: e.data.length, parseMs: performance.now() - t0 });
  });
  stream.addEventListener('patch', changesCame);
  stream.addEventListener('version', (e) => {
    connected();
    const v = JSON.parse(e.data).version;
    if (v > wanted || freshConnection) wanted = v;
    fetchState();
  });
  stream.addEventListener('session', (e) => noticeFromEvent(JSON.parse(e.data)));
  stream.onerror = () => {
    lost();
    // The browser retries by itself unless the stream was refused; then the page does.
    if (stream.readyState === EventSource.CLOSED) reconnectSoon();
  };
}

export function connect(draw) {
  drawState = draw;
  open();
}

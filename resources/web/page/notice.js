// What the session front tells the page about the session itself: that its application was
// started again (the screen was reset, saved files are kept), or that the session ended. The
// notice stays until the person closes it. Every later state of the session still names the
// count of restarts: each is told once per tab, also across a reload.
import { el, button } from './dom.js';

const SEEN_KEY = 'tessaly.restartsSeen';
let node = null;

function seenRestarts() {
  try {
    return Number(sessionStorage.getItem(SEEN_KEY)) || 0;
  } catch (e) {
    return 0;
  }
}

function markSeen(restarts) {
  if (seenRestarts() === restarts) return;
  try {
    sessionStorage.setItem(SEEN_KEY, String(restarts));
  } catch (e) {
    // Without storage the notice may come back after a reload; nothing else is lost.
  }
}

function show(text, kind) {
  if (!node) {
    node = el('div', 'session-notice');
    node.id = 'session-notice';
    node.setAttribute('role', 'alert');
    // Styled here so that the notice needs nothing of the page's style sheets.
    Object.assign(node.style, {
      position: 'fixed', left: '50%', top: '48px', transform: 'translateX(-50%)', zIndex: '101',
      maxWidth: '90vw', padding: '10px 12px', borderRadius: '8px', background: 'rgba(30,30,30,0.92)',
      color: '#fff', font: '14px -apple-system, system-ui, sans-serif', display: 'flex', gap: '10px',
      alignItems: 'center', boxShadow: '0 2px 8px rgba(0,0,0,0.3)',
    });
    document.body.appendChild(node);
  }
  node.dataset.kind = kind;
  const close = button('session-notice-close', 'OK', () => {
    node.hidden = true;
  });
  Object.assign(close.style, { font: 'inherit', padding: '2px 10px', borderRadius: '4px' });
  node.replaceChildren(el('span', 'session-notice-text', text), close);
  node.hidden = false;
}

// The state's "session" field: { restarts, notice } once the application was restarted; a
// state without it is a session that has not been (a new one counts from 0 again).
export function noticeFromState(session) {
  if (!session) return markSeen(0);
  if (!(session.restarts > seenRestarts()) || !session.notice) return;
  markSeen(session.restarts);
  show(session.notice, 'reset');
}

// A "session" event: { reset | ended, restarts, message }.
export function noticeFromEvent(data) {
  if (!data || !data.message) return;
  if (data.ended) return show(data.message, 'ended');
  if (data.reset && data.restarts > seenRestarts()) {
    markSeen(data.restarts);
    show(data.message, 'reset');
  }
}

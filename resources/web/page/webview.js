// A web view: its HTML in a sandboxed frame that runs no script and has no origin of its own.
// The frame never navigates: links open a new tab through the page's link opener, which sends
// tapLink first.
import { el } from './dom.js';
import { rewriteLinks } from './linkpage.js';

export const webView = {
  create() {
    const frame = el('iframe', 'web-view');
    frame.setAttribute('sandbox', 'allow-popups allow-popups-to-escape-sandbox');
    frame.setAttribute('referrerpolicy', 'no-referrer');
    return frame;
  },
  update(frame, data, ctx) {
    const key = JSON.stringify([data.html, data.baseURL, data.id]);
    if (ctx.memo.key === key) return;
    ctx.memo.key = key;
    const doc = new DOMParser().parseFromString(data.html || '', 'text/html');
    frame.srcdoc = rewriteLinks(doc, data.id, data.baseURL || undefined);
  },
};

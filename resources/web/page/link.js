// The link opener: a new tab opened by a link of a web view. It tells the application which
// link was tapped and then goes on to it (or says why not).
import { parseOpenerHash } from './linkpage.js';

const link = parseOpenerHash(location.hash);
const status = document.getElementById('status');

async function go() {
  if (!link) {
    status.textContent = 'No link to open.';
    return;
  }
  const res = await fetch('/api/input', {
    method: 'POST', headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify({ type: 'tapLink', id: link.id, url: link.url }),
  }).catch(() => null);
  if (!res || !res.ok) {
    status.textContent = `The link was not opened: ${res ? (await res.text()).trim() : 'not connected'}`;
    return;
  }
  status.textContent = `Opening ${link.url}`;
  location.replace(link.url);
}
go();

// The host's tools, in a strip of their own beside the device's screen (below it in portrait,
// at its right in landscape, so that the screen keeps its short side and its kind of device):
// start and stop the screen recorder, download the finished movie and a picture of the screen,
// list, download and upload route files, and pass on a file the application offers to another
// application (the browser's share sheet where it has one, a download otherwise).
import { el, button } from './dom.js';

// The strip's thickness: one row of 44-point touch targets.
export const TOOLS_STRIP = 44;

// Which side of the window the strip takes: the long side's end.
export const stripSide = (width, height) => (width > height ? 'right' : 'bottom');

// The part of the browser's window left to the device's screen.
export function screenArea(width, height) {
  return stripSide(width, height) === 'right'
    ? { width: Math.max(1, width - TOOLS_STRIP), height }
    : { width, height: Math.max(1, height - TOOLS_STRIP) };
}

export const tools = { state: null, lastOffer: null, files: [], filesVersion: null };
if (typeof window !== 'undefined') window.tessalyTools = tools;

let nodes = null;

function link(id, text, href, download) {
  const a = el('a', 'tool', text);
  a.id = id;
  a.href = href;
  a.download = download;
  return a;
}

function build(send) {
  const strip = el('div', 'tools');
  strip.id = 'tools';
  strip.setAttribute('role', 'toolbar');
  strip.setAttribute('aria-label', 'Host tools');
  const record = button('tool record', 'Record', () => {
    const recording = tools.state && tools.state.recorder.recording;
    send({ type: 'recorder', action: recording ? 'stop' : 'start' });
  });
  record.id = 'record';
  record.setAttribute('aria-pressed', 'false');
  const movie = link('movie-link', 'Movie', '/api/screen.mov', 'screen.mov');
  movie.hidden = true;
  const picture = link('picture-link', 'Picture', '/api/screen.png', 'screen.png');
  const toggle = button('tool files', 'Files', () => showFiles(nodes.files.hidden));
  toggle.id = 'files-toggle';
  toggle.setAttribute('aria-expanded', 'false');
  toggle.setAttribute('aria-controls', 'files');

  // The files panel and the offer open over the page beside the strip and close again.
  const files = el('div', 'tools-panel');
  files.id = 'files';
  files.hidden = true;
  files.setAttribute('role', 'dialog');
  files.setAttribute('aria-label', 'Files');
  const head = el('div', 'tools-panel-head');
  const close = button('tools-close', '\u00d7', () => showFiles(false));
  close.setAttribute('aria-label', 'Close files');
  head.append(el('span', '', 'Documents'), close);
  const list = el('ul');
  list.id = 'files-list';
  const upload = el('label', 'upload', 'Upload route file ');
  const input = el('input');
  input.id = 'upload';
  input.type = 'file';
  input.accept = '.xml,application/xml,text/xml';
  upload.appendChild(input);
  const status = el('div');
  status.id = 'files-status';
  status.setAttribute('role', 'status');
  files.append(head, list, upload, status);
  input.addEventListener('change', (e) => {
    const file = e.target.files[0];
    if (file) uploadFile(file, false);
    e.target.value = '';
  });

  const offer = el('div', 'tools-panel offer');
  offer.id = 'offer';
  offer.hidden = true;
  offer.setAttribute('role', 'status');
  const offerName = el('span');
  offerName.id = 'offer-name';
  const offerLink = el('a', '', 'Download');
  offerLink.id = 'offer-link';
  const share = button('', 'Share');
  share.id = 'offer-share';
  share.hidden = true;
  const offerClose = button('tools-close', '\u00d7', () => { offer.hidden = true; });
  offerClose.setAttribute('aria-label', 'Close');
  offer.append(offerName, ' ', offerLink, ' ', share, offerClose);

  // A strip 44 points wide shows only the pictures: the names come up on hover.
  for (const tool of [record, movie, picture, toggle]) tool.title = tool.textContent;
  strip.append(record, movie, picture, toggle);
  document.body.append(strip, files, offer);
  return { strip, record, movie, files, toggle, list, status, offer, offerName, offerLink, share };
}

function showFiles(open) {
  nodes.files.hidden = !open;
  nodes.toggle.setAttribute('aria-expanded', String(open));
  if (open) refreshFiles();
}

function formatSize(bytes) {
  if (bytes < 1024) return `${bytes} bytes`;
  if (bytes < 1048576) return `${(bytes / 1024).toFixed(1)} KB`;
  return `${(bytes / 1048576).toFixed(1)} MB`;
}

async function refreshFiles() {
  let res;
  try {
    res = await fetch('/api/documents', { credentials: 'same-origin' });
  } catch (e) {
    return;
  }
  if (!res.ok) return;
  tools.files = await res.json();
  const items = tools.files.map((file) => {
    const item = el('li');
    const a = el('a', '', file.name);
    a.href = '/api/documents/' + encodeURIComponent(file.name);
    a.download = file.name;
    const details = el('span', 'details',
      ` ${formatSize(file.size)}, ${new Date(file.modified * 1000).toLocaleString()}`);
    item.append(a, details);
    return item;
  });
  nodes.list.replaceChildren(...items);
}

async function uploadFile(file, replace) {
  const query = `?name=${encodeURIComponent(file.name)}${replace ? '&replace=1' : ''}`;
  let res;
  try {
    res = await fetch('/api/documents' + query, {
      method: 'POST', headers: { 'Content-Type': 'application/xml' }, body: file, credentials: 'same-origin',
    });
  } catch (e) {
    nodes.status.textContent = `${file.name} was not sent: not connected.`;
    return;
  }
  if (res.status === 409 && !replace && window.confirm(`Replace the saved file ${file.name}?`)) {
    uploadFile(file, true);
    return;
  }
  nodes.status.textContent = res.ok ? `${file.name} uploaded.` : (await res.text()).trim();
  refreshFiles();
}

// A file offered to another application: shared where the browser can share files, else
// downloaded. The link stays for a second try.
async function passOn(name) {
  const url = '/api/documents/' + encodeURIComponent(name);
  nodes.offerName.textContent = `${name} offered to other applications:`;
  nodes.offerLink.href = url;
  nodes.offerLink.download = name;
  nodes.offer.hidden = false;
  tools.lastOffer = { name, how: 'download' };
  if (navigator.share && navigator.canShare) {
    try {
      const blob = await (await fetch(url, { credentials: 'same-origin' })).blob();
      const file = new File([blob], name, { type: blob.type || 'application/octet-stream' });
      if (navigator.canShare({ files: [file] })) {
        tools.lastOffer.how = 'share';
        const share = () => navigator.share({ files: [file], title: name });
        nodes.share.hidden = false;
        nodes.share.onclick = () => share().catch(() => {});
        await share();
        return;
      }
    } catch (e) {
      // A refused or cancelled share keeps the download link.
      if (tools.lastOffer.how === 'share') return;
    }
  }
  nodes.share.hidden = true;
  nodes.offerLink.click();
}

// Sets the strip beside the device's screen of that size, in the window as it is now.
function placeStrip(screenSize) {
  const side = stripSide(window.innerWidth, window.innerHeight);
  const { strip } = nodes;
  strip.dataset.side = side;
  document.body.dataset.tools = side;
  if (side === 'right') {
    Object.assign(strip.style, { left: screenSize.width + 'px', top: '0px', width: TOOLS_STRIP + 'px',
      height: screenSize.height + 'px' });
  } else {
    Object.assign(strip.style, { left: '0px', top: screenSize.height + 'px', width: screenSize.width + 'px',
      height: TOOLS_STRIP + 'px' });
  }
}

let seenOffer = null;

// Draws the tools for a state (made on the first call), beside the screen as drawn (drawnSize,
// when the page turned it) or as the device has it.
export function drawTools(state, send, drawnSize = null) {
  if (!nodes) nodes = build(send);
  const screenSize = drawnSize || (state.device && state.device.screen) ||
    screenArea(window.innerWidth, window.innerHeight);
  placeStrip(screenSize);
  const t = state.tools;
  if (!t) return;
  tools.state = t;
  const recording = !!t.recorder.recording;
  nodes.record.textContent = recording ? 'Stop recording' : 'Record';
  nodes.record.title = nodes.record.textContent;
  nodes.record.classList.toggle('recording', recording);
  nodes.record.setAttribute('aria-pressed', String(recording));
  nodes.movie.hidden = !t.recorder.movie;
  const serial = t.offer ? t.offer.serial : 0;
  // An offer made before this page was opened is not acted on.
  if (seenOffer === null) seenOffer = serial;
  if (serial > seenOffer) {
    seenOffer = serial;
    passOn(t.offer.name);
  }
  if (!nodes.files.hidden && state.version !== tools.filesVersion) {
    tools.filesVersion = state.version;
    refreshFiles();
  }
}

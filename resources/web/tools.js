// The host's tools beside the device's screen: start and stop the screen recorder, download
// the finished movie and a picture of the screen, list, download and upload route files, and
// pass on a file the application offers to another application (the browser's share sheet
// where it has one, a download otherwise).

const panel = document.createElement('div');
panel.id = 'tools';
panel.innerHTML = `
  <button id="record" type="button" aria-pressed="false">Record</button>
  <a id="movie-link" href="/api/screen.mov" download="screen.mov" hidden>Movie</a>
  <a id="picture-link" href="/api/screen.png" download="screen.png">Picture</a>
  <button id="files-toggle" type="button" aria-expanded="false">Files</button>
  <div id="files" hidden>
    <ul id="files-list"></ul>
    <label class="upload">Upload route file <input id="upload" type="file" accept=".xml,application/xml,text/xml"></label>
    <div id="files-status" role="status"></div>
  </div>
  <div id="offer" hidden><span id="offer-name"></span> <a id="offer-link">Download</a>
    <button id="offer-share" type="button" hidden>Share</button></div>`;
document.body.appendChild(panel);

const $ = (id) => document.getElementById(id);
const tools = { state: null, lastOffer: null, files: [] };
window.tessalyTools = tools;

async function send(input) {
  const res = await fetch('/api/input', {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(input),
  });
  if (!res.ok) $('files-status').textContent = await res.text();
}

$('record').addEventListener('click', () => {
  const recording = tools.state && tools.state.recorder.recording;
  send({ type: 'recorder', action: recording ? 'stop' : 'start' });
});

function formatSize(bytes) {
  if (bytes < 1024) return `${bytes} bytes`;
  if (bytes < 1048576) return `${(bytes / 1024).toFixed(1)} KB`;
  return `${(bytes / 1048576).toFixed(1)} MB`;
}

async function refreshFiles() {
  const res = await fetch('/api/documents');
  if (!res.ok) return;
  tools.files = await res.json();
  const list = $('files-list');
  list.replaceChildren();
  for (const file of tools.files) {
    const item = document.createElement('li');
    const link = document.createElement('a');
    link.href = '/api/documents/' + encodeURIComponent(file.name);
    link.download = file.name;
    link.textContent = file.name;
    const details = document.createElement('span');
    details.className = 'details';
    details.textContent = ` ${formatSize(file.size)}, ${new Date(file.modified * 1000).toLocaleString()}`;
    item.append(link, details);
    list.appendChild(item);
  }
}

$('files-toggle').addEventListener('click', () => {
  const files = $('files');
  files.hidden = !files.hidden;
  $('files-toggle').setAttribute('aria-expanded', String(!files.hidden));
  if (!files.hidden) refreshFiles();
});

async function upload(file, replace) {
  const query = `?name=${encodeURIComponent(file.name)}${replace ? '&replace=1' : ''}`;
  const res = await fetch('/api/documents' + query, {
    method: 'POST', headers: { 'Content-Type': 'application/xml' }, body: file,
  });
  if (res.status === 409 && !replace && window.confirm(`Replace the saved file ${file.name}?`)) {
    return upload(file, true);
  }
  $('files-status').textContent = res.ok ? `${file.name} uploaded.` : await res.text();
  refreshFiles();
}

$('upload').addEventListener('change', (e) => {
  const file = e.target.files[0];
  if (file) upload(file, false);
  e.target.value = '';
});

// A file offered to another application: shared where the browser can share files, else
// downloaded. The link stays for a second try.
async function passOn(name) {
  const url = '/api/documents/' + encodeURIComponent(name);
  $('offer-name').textContent = `${name} offered to other applications:`;
  $('offer-link').href = url;
  $('offer-link').download = name;
  $('offer').hidden = false;
  tools.lastOffer = { name, how: 'download' };
  if (navigator.share && navigator.canShare) {
    try {
      const blob = await (await fetch(url)).blob();
      const file = new File([blob], name, { type: blob.type || 'application/octet-stream' });
      if (navigator.canShare({ files: [file] })) {
        tools.lastOffer.how = 'share';
        const share = () => navigator.share({ files: [file], title: name });
        $('offer-share').hidden = false;
        $('offer-share').onclick = share;
        await share();
        return;
      }
    } catch (e) {
      // A refused or cancelled share keeps the download link.
      if (tools.lastOffer.how === 'share') return;
    }
  }
  $('offer-share').hidden = true;
  $('offer-link').click();
}

let seenOffer = null;
function render(state) {
  const t = state.tools;
  if (!t) return;
  tools.state = t;
  const record = $('record');
  record.textContent = t.recorder.recording ? 'Stop recording' : 'Record';
  record.classList.toggle('recording', t.recorder.recording);
  record.setAttribute('aria-pressed', String(t.recorder.recording));
  $('movie-link').hidden = !t.recorder.movie;
  const serial = t.offer ? t.offer.serial : 0;
  // An offer made before this page was opened is not acted on.
  if (seenOffer === null) seenOffer = serial;
  if (serial > seenOffer) {
    seenOffer = serial;
    passOn(t.offer.name);
  }
  if (!$('files').hidden && state.version !== tools.filesVersion) {
    tools.filesVersion = state.version;
    refreshFiles();
  }
}

let version = 0;
const events = new EventSource('/api/events');
events.addEventListener('state', (e) => {
  const state = JSON.parse(e.data);
  if (state.version <= version) return;
  version = state.version;
  render(state);
});
events.addEventListener('version', async (e) => {
  const wanted = JSON.parse(e.data).version;
  if (wanted <= version) return;
  const state = await (await fetch('/api/state')).json();
  if (state.version <= version) return;
  version = state.version;
  render(state);
});

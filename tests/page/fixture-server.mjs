// A tiny stand-in host for the page's tests: serves the page and a fixture state, pushes it
// over server-sent events, and records every input the page posts (answering as the host
// does). Tests change the state with setState and read the inputs from `inputs`.
import http from 'node:http';
import { readFile } from 'node:fs/promises';
import { readFileSync } from 'node:fs';
import { join, dirname, extname, normalize } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..', '..');
const web = join(root, 'resources', 'web');
const modules = join(root, 'node_modules');
const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.svg': 'image/svg+xml', '.json': 'application/json', '.png': 'image/png' };
const CSP = "default-src 'self'; img-src 'self' data: http: https:; style-src 'self' 'unsafe-inline'; " +
  "script-src 'self'; connect-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'none'";
const MOUNTS = [['/vendor/leaflet/', join(modules, 'leaflet', 'dist')],
  ['/vendor/topojson-client/', join(modules, 'topojson-client', 'dist')],
  ['/vendor/world-atlas/', join(modules, 'world-atlas')], ['/', web]];

export const fixture = (name) => JSON.parse(readFileSync(join(here, 'fixtures', name + '.json'), 'utf8'));

export async function startFixtureServer(state) {
  const streams = new Set();
  const server = {
    state: { ...state, tools: state.tools || { recorder: { recording: false, movie: false }, offer: null } },
    inputs: [],
    // A refusal for inputs of a type, as the host gives it.
    refuse: null,
    setState(next) {
      server.state = { ...next, version: server.state.version + 1,
        tools: next.tools || server.state.tools };
      const data = JSON.stringify(server.state);
      for (const res of streams) res.write(`event: state\ndata: ${data}\n\n`);
    },
    dropStreams() {
      for (const res of streams) res.destroy();
      streams.clear();
    },
    inputsOf: (type) => server.inputs.filter((i) => i.type === type),
  };
  const http0 = http.createServer(async (req, res) => {
    const url = new URL(req.url, 'http://x');
    const headers = { 'Content-Security-Policy': CSP, 'Cache-Control': 'no-store', 'X-Content-Type-Options': 'nosniff' };
    if (url.pathname === '/api/config') {
      res.writeHead(200, { ...headers, 'Content-Type': 'application/json' });
      res.end(JSON.stringify({ tiles: { url: 'http://127.0.0.1:9/{z}/{x}/{y}.png', attribution: '' },
        imagery: { url: 'http://127.0.0.1:9/{z}/{x}/{y}.png', attribution: '' }, longPressSeconds: 0.5, longPressSlop: 10 }));
      return;
    }
    if (url.pathname === '/api/state') {
      res.writeHead(200, { ...headers, 'Content-Type': 'application/json' });
      res.end(JSON.stringify(server.state));
      return;
    }
    if (url.pathname === '/api/events') {
      res.writeHead(200, { ...headers, 'Content-Type': 'text/event-stream' });
      res.write(`event: state\ndata: ${JSON.stringify(server.state)}\n\n`);
      streams.add(res);
      req.on('close', () => streams.delete(res));
      return;
    }
    if (url.pathname === '/api/input' && req.method === 'POST') {
      let body = '';
      for await (const chunk of req) body += chunk;
      let input;
      try { input = JSON.parse(body); } catch (e) { input = null; }
      if (!input || typeof input.type !== 'string') {
        res.writeHead(400, headers);
        res.end('input is not a JSON object with a type\n');
        return;
      }
      server.inputs.push(input);
      if (server.refuse && server.refuse(input)) {
        res.writeHead(400, headers);
        res.end('refused by the test\n');
        return;
      }
      res.writeHead(200, { ...headers, 'Content-Type': 'application/json' });
      res.end(JSON.stringify({ ok: true, applied: 1, version: server.state.version }));
      return;
    }
    const mount = MOUNTS.find(([prefix]) => url.pathname.startsWith(prefix));
    let path = decodeURIComponent(url.pathname.slice(mount[0].length)) || 'index.html';
    path = normalize(path).replace(/^(\.\.[/\\])+/, '');
    try {
      const bytes = await readFile(join(mount[1], path));
      res.writeHead(200, { ...headers, 'Content-Type': TYPES[extname(path)] || 'application/octet-stream' });
      res.end(bytes);
    } catch (e) {
      res.writeHead(404, headers);
      res.end('not found\n');
    }
  });
  await new Promise((resolve) => http0.listen(0, '127.0.0.1', resolve));
  server.origin = `http://127.0.0.1:${http0.address().port}`;
  server.url = server.origin + '/';
  server.stop = () => new Promise((resolve) => {
    server.dropStreams();
    http0.close(resolve);
    http0.closeAllConnections();
  });
  return server;
}

// The page draws every kind docs/screens.md documents, and the fixture screens the other page
// tests use are made of those kinds with exactly their documented properties.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, readdirSync } from 'node:fs';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import KINDS from '../../resources/web/page/kinds.js';
import { registeredKinds, drawerFor } from '../../resources/web/page/draw.js';
import { walk } from '../../resources/web/page/tree.js';

const here = dirname(fileURLToPath(import.meta.url));
const doc = readFileSync(join(here, '..', '..', 'docs', 'screens.md'), 'utf8');

// kind -> documented property names, from the table under "### Kinds".
function documentedKinds() {
  const table = doc.slice(doc.indexOf('### Kinds'), doc.indexOf('Presentation:'));
  const kinds = new Map();
  for (const line of table.split('\n')) {
    const m = line.match(/^\| `(\w+)` \| (.*?) \| (.*?) \|$/);
    if (!m) continue;
    let props = m[2];
    for (let previous = ''; previous !== props;) {
      previous = props;
      props = props.replace(/\([^()]*\)/g, '');
    }
    // A kind named as what a list holds ("list of `barButtonItem` nodes") is no property.
    props = props.replace(/(list of|a) `\w+`( \/ `\w+`)*/g, '');
    kinds.set(m[1], new Set([...props.matchAll(/`([A-Za-z]+)`/g)].map((n) => n[1])));
  }
  return kinds;
}

const COMMON = new Set(['id', 'kind', 'frame', 'hidden', 'alpha', 'backgroundColor', 'children']);
const OPTIONAL = new Set(['presentation', 'frame', 'backgroundColor', 'children']);

test('every documented kind has a drawer, and the page knows no other', () => {
  const kinds = documentedKinds();
  assert.ok(kinds.size >= 26, `found ${kinds.size} kinds in docs/screens.md`);
  for (const kind of kinds.keys()) {
    const drawer = drawerFor(kind);
    assert.ok(drawer, `no drawer for ${kind}`);
    const draws = (typeof drawer.create === 'function' && typeof drawer.update === 'function') ||
      (drawer.layer && typeof drawer.layer.create === 'function' && typeof drawer.layer.draws === 'function');
    assert.ok(draws, `the drawer of ${kind} draws nothing`);
  }
  assert.deepEqual(registeredKinds().filter((k) => !kinds.has(k)), []);
  assert.equal(Object.keys(KINDS).length, kinds.size);
});

test('the fixture screens hold only documented kinds with their documented properties', () => {
  const kinds = documentedKinds();
  const dir = join(here, 'fixtures');
  const files = readdirSync(dir).filter((f) => f.endsWith('.json'));
  assert.ok(files.length >= 6);
  const seen = new Set();
  for (const file of files) {
    const state = JSON.parse(readFileSync(join(dir, file), 'utf8'));
    assert.equal(state.screen.kind, 'window', file);
    const ids = new Map();
    for (const { node } of walk(state.screen)) {
      const documented = kinds.get(node.kind);
      assert.ok(documented, `${file}: unknown kind ${node.kind}`);
      seen.add(node.kind);
      for (const key of Object.keys(node)) {
        assert.ok(COMMON.has(key) || documented.has(key), `${file}: ${node.kind} has undocumented ${key}`);
      }
      for (const key of documented) {
        assert.ok(key in node || OPTIONAL.has(key), `${file}: ${node.kind} lacks ${key}`);
      }
      if (node.id !== null) {
        assert.ok(Number.isInteger(node.id) && node.id > 0, `${file}: id ${node.id}`);
        const other = ids.get(node.id);
        assert.ok(!other || other === node.kind, `${file}: id ${node.id} on ${other} and ${node.kind}`);
        ids.set(node.id, node.kind);
      }
    }
  }
  // Together the fixtures show every kind but the banner and the plain overlay.
  const missing = [...kinds.keys()].filter((k) => !seen.has(k) && !['banner', 'overlayView', 'imageView', 'textField',
    'activityIndicator'].includes(k));
  assert.deepEqual(missing, []);
});

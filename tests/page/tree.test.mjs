// Walking screen trees, keys that keep elements across states, stack changes that animate,
// icons from system items and images, and web view links that leave through the opener.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { walk, findKind, findId, stackChange, nodeKey, hasPins, visibleNodes } from '../../resources/web/page/tree.js';
import { barItemIcon, buttonFace, imageUrl } from '../../resources/web/page/icons.js';
import { resolveLink, openerHref, parseOpenerHash } from '../../resources/web/page/linkpage.js';
import { fixture } from './fixture-server.mjs';

test('a walk reaches children, slots, bar items, map layers and table cells', () => {
  const map = fixture('map-phone').screen;
  const kinds = new Set([...walk(map)].map(({ node }) => node.kind));
  for (const k of ['statusBar', 'navigationBar', 'barButtonItem', 'button', 'toolbar', 'label', 'mapView',
    'annotationView', 'polylineView', 'alert', 'textField']) assert.ok(kinds.has(k), k);
  const table = fixture('table-phone').screen;
  assert.equal(findKind(table, 'tableViewCell').length, 5);
  assert.equal(findKind(table, 'switch').length, 1);
  const sw = findKind(table, 'switch')[0];
  assert.equal(findId(table, sw.id), sw);
  assert.equal(findId(table, 99999), null);
});

test('hidden nodes hide what is inside them', () => {
  const table = fixture('table-phone').screen;
  const visible = visibleNodes(table);
  assert.ok(visible.some((n) => n.kind === 'tableView'));
  assert.ok(!visible.some((n) => n.kind === 'toolbar'), 'the hidden toolbar');
});

test('a stack that grew or shrank by one screen animates, any other change does not', () => {
  const a = { id: 1 }, b = { id: 2 }, c = { id: 3 };
  assert.equal(stackChange([a], [a, b]), 'push');
  assert.equal(stackChange([a, b], [a]), 'pop');
  assert.equal(stackChange([a, b], [a, c]), 'none');
  assert.equal(stackChange([a], [c, b]), 'none');
  assert.equal(stackChange([a, b, c], [a]), 'none');
  assert.equal(stackChange(undefined, [a]), 'none');
});

test('elements are kept by kind and id, or by their place when a node has no id', () => {
  assert.equal(nodeKey({ kind: 'label', id: 7 }, 'x', 2), 'label#7');
  assert.equal(nodeKey({ kind: 'statusBar', id: null }, 'window#1', 0), 'window#1/0:statusBar');
  assert.ok(hasPins(fixture('map-phone').screen.children[1].children[1].children[0]));
  assert.ok(!hasPins({ annotations: [{ view: 'userLocation' }, { view: null }] }));
});

test('icons come from the system item or the image the state names', () => {
  assert.deepEqual(barItemIcon({ systemItem: 'trash', title: '' }), { url: '/images/clear.svg', label: 'Trash' });
  assert.deepEqual(barItemIcon({ systemItem: 'organize' }), { url: '/images/files.svg', label: 'Organize' });
  assert.deepEqual(barItemIcon({ systemItem: 'done' }), { text: 'Done', label: 'Done' });
  assert.deepEqual(barItemIcon({ systemItem: null, title: 'Route' }), { text: 'Route', label: 'Route' });
  assert.equal(barItemIcon({ systemItem: 'add' }).text, '+');
  assert.equal(barItemIcon({ image: 'settings.png' }).url, '/images/settings.svg');
  assert.equal(imageUrl('icons/settings@2x.png'), '/images/settings.svg');
  assert.equal(imageUrl('"><script>'), null);
  assert.equal(buttonFace({ buttonType: 'infoLight' }).text, 'i');
  assert.equal(buttonFace({ buttonType: 'custom', image: 'settings.png', title: '' }).url, '/images/settings.svg');
});

test('web view links leave through the opener; others are dropped', () => {
  assert.equal(resolveLink('mailto:help@example.org'), 'mailto:help@example.org');
  assert.equal(resolveLink('guide.html', 'https://example.org/help/'), 'https://example.org/help/guide.html');
  assert.equal(resolveLink('javascript:alert(1)'), null);
  assert.equal(resolveLink('#top'), null);
  assert.equal(resolveLink('relative.html'), null, 'no base to resolve against');
  const href = openerHref(20, 'https://example.org/a?b=c&d=e#f');
  assert.deepEqual(parseOpenerHash(href.slice(href.indexOf('#'))), { id: 20, url: 'https://example.org/a?b=c&d=e#f' });
  assert.equal(parseOpenerHash('#id=0&url=x'), null);
  assert.equal(parseOpenerHash(''), null);
});

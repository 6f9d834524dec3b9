// Changes from the host applied to the state they were made against: the result is the new
// state, the old one is left as it was, unchanged parts are shared, and changes that do not fit
// the state are refused rather than applied halfway.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { applyPatch } from '../../resources/web/page/patch.js';

const pin = (id, latitude) => ({ id, kind: 'annotationView', view: 'pin', coordinate: { latitude, longitude: 7 } });
const state = () => ({
  version: 4,
  device: { idiom: 'phone', screen: { width: 390, height: 844 } },
  screen: { id: 1, kind: 'window', children: [{ id: 2, kind: 'mapView', annotations: [pin(10, 1), pin(11, 2), pin(12, 3)],
    overlays: [{ id: 3, kind: 'polylineView', points: [[1, 7], [2, 7]] }] }] },
});
const map = ['screen', 'children', 0];

test('set, delete and splice give the new state and leave the old one as it was', () => {
  const before = state();
  const frozen = JSON.stringify(before);
  const after = applyPatch(before, { version: 5, base: 4, ops: [
    { op: 'set', path: ['device', 'idiom'], value: 'tablet' },
    { op: 'set', path: ['device', 'landscape'], value: true },
    { op: 'delete', path: ['device', 'screen'] },
    { op: 'splice', path: [...map, 'annotations'], at: 1, remove: 1, insert: [pin(13, 9), pin(14, 8)] },
    { op: 'set', path: [...map, 'annotations', 0, 'coordinate', 'latitude'], value: 1.5 },
    { op: 'splice', path: [...map, 'overlays', 0, 'points'], at: 2, remove: 0, insert: [[3, 7]] },
  ] });
  assert.equal(JSON.stringify(before), frozen, 'the state before is untouched');
  const expected = state();
  expected.version = 5;
  expected.device = { idiom: 'tablet', landscape: true };
  expected.screen.children[0].annotations = [pin(10, 1.5), pin(13, 9), pin(14, 8), pin(12, 3)];
  expected.screen.children[0].overlays[0].points.push([3, 7]);
  assert.deepEqual(after, expected);
  // What no operation touched is the same object; what one touched is a new one.
  assert.equal(after.screen.children[0].annotations[3], before.screen.children[0].annotations[2]);
  assert.notEqual(after.screen.children[0].annotations[0], before.screen.children[0].annotations[0]);
  assert.notEqual(after.screen, before.screen);
});

test('a value replaced whole, a container turned scalar, and many inserted at once', () => {
  const points = Array.from({ length: 20000 }, (_, i) => [i, 7]);
  const after = applyPatch(state(), { version: 5, base: 4, ops: [
    { op: 'set', path: ['screen', 'children', 0, 'overlays'], value: null },
    { op: 'set', path: ['screen', 'children', 0, 'points'], value: [] },
    { op: 'splice', path: ['screen', 'children', 0, 'points'], at: 0, remove: 0, insert: points },
    { op: 'set', path: ['device'], value: 3 },
  ] });
  assert.equal(after.screen.children[0].overlays, null);
  assert.deepEqual(after.screen.children[0].points, points);
  assert.equal(after.device, 3);
});

test('changes that do not fit the state are refused', () => {
  const bad = [
    { op: 'set', path: ['screen', 'nothing', 'here'], value: 1 },
    { op: 'set', path: ['screen', 'children', 5], value: 1 },
    { op: 'set', path: ['screen', 'children', 'x'], value: 1 },
    { op: 'delete', path: [] },
    { op: 'splice', path: ['device'], at: 0, remove: 0, insert: [] },
    { op: 'splice', path: [...map, 'annotations'], at: 2, remove: 2, insert: [] },
    { op: 'move', path: ['device'] },
  ];
  for (const op of bad) {
    const before = state();
    assert.throws(() => applyPatch(before, { version: 5, base: 4, ops: [op] }), /patch:/, JSON.stringify(op));
    assert.deepEqual(before, state(), `${JSON.stringify(op)} left the state as it was`);
  }
});

// The host's tools strip takes its room from the long side of the window, so the screen the
// page reports keeps the window's short side (which decides phone or tablet) and its shape.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { screenArea, stripSide, TOOLS_STRIP } from '../../resources/web/page/tools.js';

test('the strip never changes the kind of device or the orientation of the window', () => {
  for (const [width, height] of [[390, 844], [844, 390], [393, 727], [727, 393], [1024, 768], [768, 1024],
    [820, 1180], [1180, 820], [1280, 800], [800, 1280]]) {
    const area = screenArea(width, height);
    const what = `${width}x${height}`;
    assert.equal(Math.min(area.width, area.height), Math.min(width, height), `${what}: the short side`);
    assert.equal(area.width > area.height, width > height, `${what}: the orientation`);
    assert.equal(width - area.width + height - area.height, TOOLS_STRIP, `${what}: one strip`);
  }
  assert.equal(stripSide(390, 844), 'bottom');
  assert.equal(stripSide(844, 390), 'right');
});

test('a window smaller than the strip still leaves a screen', () => {
  assert.deepEqual(screenArea(30, 20), { width: 1, height: 20 });
  assert.deepEqual(screenArea(20, 30), { width: 20, height: 1 });
});

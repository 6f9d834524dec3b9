// The window, screens and navigation stacks. A navigation controller draws its bar, its top
// screen and its toolbar; when its stack grew by one the new top screen slides in, when it
// shrank the screen below slides back. A screen presented as a sheet on a tablet is drawn over
// a dimmed screen below it.
import { el, syncChildren } from './dom.js';
import { drawNode, drawChildren } from './draw.js';
import { stackChange } from './tree.js';

const SHEETS = new Set(['formSheet', 'pageSheet']);

export const windowKind = {
  create: () => el('div', 'window'),
  update(node, data, ctx) {
    const elements = [];
    const dims = ctx.memo.dims || (ctx.memo.dims = []);
    let dimIndex = 0;
    (data.children || []).forEach((child, index) => {
      const sheet = SHEETS.has(child.presentation) && child.frame && data.frame &&
        child.frame.width < data.frame.width;
      if (sheet && !child.hidden) {
        const dim = dims[dimIndex] || (dims[dimIndex] = el('div', 'dim sheet-dim'));
        dimIndex++;
        elements.push(dim);
      }
      elements.push(drawNode(child, { ...ctx, index, origin: data.frame }));
    });
    syncChildren(node, elements);
  },
};

export const viewController = {
  create: () => el('div', 'screen-view'),
  update(node, data, ctx) {
    node.classList.toggle('presented', !!data.presentation);
    node.dataset.presentation = data.presentation || '';
    drawChildren(node, data, ctx);
  },
};

function animate(element, name) {
  element.classList.remove('push-in', 'pop-in');
  void element.offsetWidth;  // restart the animation
  element.classList.add(name);
  element.addEventListener('animationend', () => element.classList.remove(name), { once: true });
}

export const navigationController = {
  create: () => el('div', 'navigation-controller'),
  update(node, data, ctx) {
    node.classList.toggle('presented', !!data.presentation);
    node.dataset.presentation = data.presentation || '';
    const change = stackChange(ctx.memo.stack, data.stack);
    ctx.memo.stack = data.stack;
    const elements = drawChildren(node, data, ctx);
    if (change === 'none') return;
    const top = (data.children || []).findIndex((c) => c.kind === 'viewController');
    if (top >= 0) animate(elements[top], change === 'push' ? 'push-in' : 'pop-in');
  },
};

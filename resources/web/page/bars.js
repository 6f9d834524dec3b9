// The bars: the status bar, a navigation bar with its title, items and back button, a toolbar
// and the bar button items in them (laid out by their bar; a custom view sits in its item).
import { el, button, setText, syncChildren } from './dom.js';
import { drawNode } from './draw.js';
import { barItemIcon } from './icons.js';

export const statusBar = {
  create() {
    const node = el('div', 'status-bar');
    node.append(el('span', 'clock'), el('span', 'network-activity'));
    return node;
  },
  update(node, data) {
    const now = new Date();
    setText(node.firstChild, now.toLocaleTimeString([], { hour: '2-digit', minute: '2-digit' }));
    node.lastChild.hidden = !data.networkActivityIndicatorVisible;
  },
};

export const barButtonItem = {
  place: false,
  create(data, ctx) {
    const node = el('div', 'bar-item');
    node.addEventListener('click', (e) => {
      if (node.classList.contains('space') || node.getAttribute('aria-disabled') === 'true') return;
      const custom = node.querySelector(':scope > .control-button, :scope > .switch');
      if (custom) {
        if (e.target === node) custom.click();
        return;
      }
      if (node.dataset.custom === 'true') return;
      ctx.send({ type: 'tap', id: Number(node.dataset.id) });
    });
    return node;
  },
  update(node, data, ctx) {
    const space = data.systemItem === 'flexibleSpace' || data.systemItem === 'fixedSpace';
    node.classList.toggle('space', space);
    node.classList.toggle('flexible', data.systemItem === 'flexibleSpace');
    node.classList.toggle('done', data.style === 'done');
    node.classList.toggle('bordered', data.style === 'bordered' && !!data.title);
    node.style.width = data.width ? data.width + 'px' : '';
    node.dataset.tag = String(data.tag ?? 0);
    node.setAttribute('aria-disabled', String(data.enabled === false));
    const custom = (data.children || [])[0];
    node.dataset.custom = String(!!custom);
    if (space) {
      node.removeAttribute('role');
      syncChildren(node, []);
      return;
    }
    if (custom) {
      node.removeAttribute('role');
      node.removeAttribute('aria-label');
      node.style.backgroundImage = '';
      const child = drawNode(custom, { ...ctx, index: 0, origin: custom.frame ? { x: custom.frame.x, y: custom.frame.y } : ctx.origin });
      syncChildren(node, [child]);
      return;
    }
    const icon = barItemIcon(data);
    node.setAttribute('role', 'button');
    node.tabIndex = 0;
    node.setAttribute('aria-label', icon.label);
    node.title = icon.label;
    node.style.backgroundImage = icon.url ? `url("${icon.url}")` : '';
    node.classList.toggle('text', !icon.url);
    if (node.firstChild && node.firstChild.nodeType !== Node.TEXT_NODE) syncChildren(node, []);
    setText(node, icon.url ? '' : icon.text);
  },
};

export const toolbar = {
  create: () => el('div', 'toolbar'),
  update(node, data, ctx) {
    const items = (data.items || []).map((item, index) => drawNode(item, { ...ctx, index, origin: data.frame }));
    syncChildren(node, items);
  },
};

export const navigationBar = {
  create(data, ctx) {
    const node = el('div', 'navigation-bar');
    const back = button('back-button', '', () => ctx.send({ type: 'goBack', id: Number(node.dataset.id) }));
    node.append(el('div', 'nav-left'), el('div', 'nav-title'), el('div', 'nav-right'));
    node.firstChild.appendChild(back);
    ctx.memo.back = back;
    return node;
  },
  update(node, data, ctx) {
    const [left, title, right] = node.children;
    const back = ctx.memo.back;
    setText(title, data.title);
    back.hidden = !data.back;
    setText(back, data.back ? data.back.title || 'Back' : '');
    const slot = (container, item, index, extra = []) => {
      const drawn = item ? [drawNode(item, { ...ctx, index, origin: data.frame })] : [];
      syncChildren(container, [...extra, ...drawn]);
    };
    slot(left, data.back ? null : data.left, 0, [back]);
    slot(right, data.right, 1);
  },
};

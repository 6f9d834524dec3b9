// Small DOM helpers shared by the drawers. Texts are always set as text, never as HTML.
import { relativeFrame } from './geometry.js';

export function el(tag, className, text) {
  const node = document.createElement(tag);
  if (className) node.className = className;
  if (text !== undefined && text !== null) node.textContent = String(text);
  return node;
}

export function button(className, text, onClick) {
  const b = el('button', className, text);
  b.type = 'button';
  if (onClick) b.addEventListener('click', onClick);
  return b;
}

export function place(node, frame, origin = { x: 0, y: 0 }) {
  if (!frame) return;
  const f = relativeFrame(frame, origin);
  node.style.left = f.x + 'px';
  node.style.top = f.y + 'px';
  node.style.width = f.width + 'px';
  node.style.height = f.height + 'px';
}

export function setText(node, text) {
  const t = text === null || text === undefined ? '' : String(text);
  if (node.textContent !== t) node.textContent = t;
}

// Makes a container's children exactly the given elements in order, moving only what moved, so
// that a focused field or a finger on a button is not lost to a redraw.
export function syncChildren(container, elements) {
  let cursor = container.firstChild;
  for (const child of elements) {
    if (child === cursor) {
      cursor = cursor.nextSibling;
    } else {
      container.insertBefore(child, cursor);
    }
  }
  while (cursor) {
    const next = cursor.nextSibling;
    cursor.remove();
    cursor = next;
  }
}

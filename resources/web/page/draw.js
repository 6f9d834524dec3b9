// Draws a screen tree: each node by the drawer of its kind (see kinds.js), each element kept
// across states under its node's key so that it is only updated, never rebuilt. A drawer is
// {create(node, ctx) -> element, update(element, node, ctx), remove?(element, entry),
// place?: false when it lays itself out}.
import { nodeKey } from './tree.js';
import { place, syncChildren } from './dom.js';

const drawers = new Map();
const live = new Map();  // key -> {element, kind, drawer, memo}
let seen = new Set();

export function register(kind, drawer) {
  drawers.set(kind, drawer);
}
export const drawerFor = (kind) => drawers.get(kind);
export const registeredKinds = () => [...drawers.keys()];

// One whole tree into a host element; elements of nodes that are gone are removed. Drawers
// pass work that needs the laid out page to ctx.after.
export function drawTree(root, host, context) {
  seen = new Set();
  const later = [];
  const after = (fn) => later.push(fn);
  const element = drawNode(root, { ...context, after, key: '', index: 0, origin: { x: 0, y: 0 } });
  syncChildren(host, [element]);
  for (const [key, entry] of live) {
    if (seen.has(key)) continue;
    if (entry.drawer.remove) entry.drawer.remove(entry.element, entry);
    entry.element.remove();
    live.delete(key);
  }
  // What needs the laid out page (sizes, anchors) runs once everything is in place.
  for (const fn of later) fn();
}

// One node: its element, made the first time, placed at its frame relative to ctx.origin, then
// updated by its drawer. ctx.key and ctx.index say where it stands when it has no id.
export function drawNode(node, ctx) {
  let drawer = drawers.get(node.kind);
  if (!drawer) {
    console.warn('no drawer for kind', node.kind);
    drawer = drawers.get('view');
  }
  let key = nodeKey(node, ctx.key, ctx.index);
  if (seen.has(key)) key = `${ctx.key}/${ctx.index}:${node.kind}#${node.id}`;  // drawn twice
  seen.add(key);
  let entry = live.get(key);
  if (!entry || entry.kind !== node.kind) {
    if (entry) entry.element.remove();
    entry = { element: null, kind: node.kind, drawer, memo: {}, fresh: true };
    entry.element = drawer.create(node, { ...ctx, key, memo: entry.memo });
    entry.element.dataset.kind = node.kind;
    if (node.id !== null && node.id !== undefined) entry.element.dataset.id = String(node.id);
    live.set(key, entry);
  } else {
    entry.fresh = false;
  }
  const element = entry.element;
  if (drawer.place !== false) place(element, node.frame, ctx.origin);
  element.hidden = !!node.hidden;
  element.style.opacity = node.alpha === undefined || node.alpha === 1 ? '' : String(node.alpha);
  if (drawer.background !== false) element.style.backgroundColor = node.backgroundColor || '';
  drawer.update(element, node, { ...ctx, key, memo: entry.memo, fresh: entry.fresh });
  return element;
}

// A node's children into a container, placed relative to an origin (default: the node's frame).
export function drawChildren(container, node, ctx, origin = node.frame || ctx.origin, list = node.children) {
  const elements = (list || []).map((child, index) => drawNode(child, { ...ctx, key: ctx.key, index, origin }));
  syncChildren(container, elements);
  return elements;
}

// The element drawn for an object id in this pass or the last (a popover's anchor).
export function elementForId(id) {
  for (const [key, entry] of live) if (key.endsWith(`#${id}`) && seen.has(key)) return entry.element;
  return null;
}

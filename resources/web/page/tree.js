// Pure walks over the screen tree.

// Every node of the tree (children, named slots, node lists and the cells of table sections),
// depth first, with its parent.
export function* walk(node, parent = null) {
  if (!node || typeof node !== 'object') return;
  yield { node, parent };
  for (const [key, value] of Object.entries(node)) {
    if (key === 'sections' && Array.isArray(value)) {
      for (const s of value) for (const c of s.cells || []) yield* walk(c, node);
    } else if (Array.isArray(value)) {
      // A list of nodes (children, bar items, map layers, an alert's fields): its items have kinds.
      for (const c of value) if (c && typeof c === 'object' && typeof c.kind === 'string') yield* walk(c, node);
    } else if (value && typeof value === 'object' && typeof value.kind === 'string') {
      yield* walk(value, node);
    }
  }
}

export function findAll(root, test) {
  const out = [];
  for (const { node } of walk(root)) if (test(node)) out.push(node);
  return out;
}

export const findKind = (root, kind) => findAll(root, (n) => n.kind === kind);
export const findId = (root, id) => findAll(root, (n) => n.id === id)[0] || null;

// Whether a node shows: neither it nor any of its ancestors is hidden (a table cell's own
// contents count too).
export function visibleNodes(root) {
  const out = [];
  const visit = (node) => {
    if (!node || node.hidden) return;
    out.push(node);
    for (const { node: child, parent } of walk(node)) if (parent === node) visit(child);
  };
  visit(root);
  return out;
}

// How a navigation stack changed between two states: 'push' when it grew by one with the same
// screens below, 'pop' when it shrank by one, else 'none'.
export function stackChange(before, after) {
  if (!before || !after) return 'none';
  const same = (n) => before.slice(0, n).every((entry, i) => entry.id === after[i].id);
  if (after.length === before.length + 1 && same(before.length)) return 'push';
  if (after.length === before.length - 1 && same(after.length)) return 'pop';
  return 'none';
}

// The key an element is kept under across states: the kind and id, or for a node without id
// its place below the parent's key.
export function nodeKey(node, parentKey, index) {
  if (node.id !== null && node.id !== undefined) return `${node.kind}#${node.id}`;
  return `${parentKey}/${index}:${node.kind}`;
}

// Whether the map shows any marker a person placed (the user's own position does not count).
export function hasPins(mapView) {
  return (mapView.annotations || []).some((a) => a.view === 'pin' || a.view === 'custom');
}

// Changes from the host, applied to the state they were made against. The state before stays as
// it was: every object and array on the way to a change is copied, everything else is shared, so
// a drawer can tell an unchanged node by its identity and compare a changed one with the last.
// Operations (see docs/api.md): set, delete, and splice of an array.

function copy(value) {
  return Array.isArray(value) ? value.slice() : { ...value };
}

// The container holding the last step of path in the new state, copied once per patch (`fresh`
// remembers what this patch made, which may be changed again in place).
function containerFor(root, path, steps, fresh) {
  let place = root;
  for (let i = 0; i < steps; i++) {
    const key = path[i];
    const child = place[key];
    if (child === null || typeof child !== 'object' || !Object.prototype.hasOwnProperty.call(place, key)) {
      throw new Error(`patch: no ${JSON.stringify(path.slice(0, i + 1))} in the state`);
    }
    if (!fresh.has(child)) {
      place[key] = copy(child);
      fresh.add(place[key]);
    }
    place = place[key];
  }
  return place;
}

// The state after the patch's operations, or an Error thrown when they do not fit the state.
export function applyPatch(state, patch) {
  const fresh = new Set();
  const root = copy(state);
  fresh.add(root);
  for (const op of patch.ops) {
    const path = op.path;
    if (op.op === 'splice') {
      const list = containerFor(root, path, path.length, fresh);
      if (!Array.isArray(list) || op.at < 0 || op.at + op.remove > list.length) {
        throw new Error(`patch: cannot splice ${JSON.stringify(path)} at ${op.at}`);
      }
      list.splice(op.at, op.remove);
      // In pieces: a long path's points would be too many arguments for one call.
      for (let i = 0; i < op.insert.length; i += 4096) list.splice(op.at + i, 0, ...op.insert.slice(i, i + 4096));
      continue;
    }
    if (!path.length) throw new Error('patch: an operation without a path');
    const place = containerFor(root, path, path.length - 1, fresh);
    const last = path[path.length - 1];
    if (Array.isArray(place) !== (typeof last === 'number') ||
        (Array.isArray(place) && (last < 0 || last >= place.length))) {
      throw new Error(`patch: no place ${JSON.stringify(path)} in the state`);
    }
    if (op.op === 'set') place[last] = op.value;
    else if (op.op === 'delete') delete place[last];
    else throw new Error(`patch: unknown operation ${op.op}`);
  }
  root.version = patch.version;
  return root;
}

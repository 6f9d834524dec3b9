// A press held still for the long-press time (0.5 s, within 10 points) on the map sends a long
// press at that point of the map view; moving the map does not. A finger or the mouse.
import { page } from './state.js';

export function setupLongPress(container, { holdMs, slop, fire }) {
  let timer = null;
  let start = null;
  let pointers = new Set();
  let swallowUntil = 0;
  const cancel = (why) => {
    if (timer) {
      clearTimeout(timer);
      page.longPressCancelled = why;
    }
    timer = null;
  };
  container.addEventListener('pointerdown', (e) => {
    // A new primary pointer means no other finger is down (an up may have gone elsewhere).
    if (e.isPrimary) pointers = new Set();
    pointers.add(e.pointerId);
    if (pointers.size > 1 || !e.isPrimary || (e.pointerType === 'mouse' && e.button !== 0)) {
      cancel('another pointer');
      return;
    }
    if (e.target.closest('.leaflet-popup, .leaflet-control, .map-hint, .map-subviews > *')) return;
    start = { x: e.clientX, y: e.clientY };
    cancel('a new press');
    timer = setTimeout(() => {
      timer = null;
      const r = container.getBoundingClientRect();
      swallowUntil = performance.now() + 1500;
      page.longPressAt = performance.now();
      fire({ x: Math.round((start.x - r.left) * 100) / 100, y: Math.round((start.y - r.top) * 100) / 100 });
    }, holdMs);
  });
  container.addEventListener('pointermove', (e) => {
    if (timer && start && Math.hypot(e.clientX - start.x, e.clientY - start.y) > slop) cancel('moved');
  });
  const up = (e) => {
    pointers.delete(e.pointerId);
    cancel(e.type);
  };
  container.addEventListener('pointerup', up);
  container.addEventListener('pointercancel', up);
  container.addEventListener('pointerleave', (e) => {
    // Only a mouse that really left the map ends the press (not a new layer under it).
    const r = container.getBoundingClientRect();
    const outside = e.clientX < r.left || e.clientX >= r.right || e.clientY < r.top || e.clientY >= r.bottom;
    if (e.pointerType === 'mouse' && outside) up(e);
  });
  // The click that ends a hold must not reach the map (it would close the new callout).
  container.addEventListener('click', (e) => {
    if (performance.now() < swallowUntil) {
      swallowUntil = 0;
      e.stopPropagation();
      e.preventDefault();
    }
  }, true);
  container.addEventListener('contextmenu', (e) => e.preventDefault());
}

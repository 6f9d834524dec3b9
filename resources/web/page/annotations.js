// What a map view draws on its map: annotation views (pins, the user's position, their
// callouts) and overlay views (path lines). Each is a layer of the map, made and updated by
// the drawer of its kind, drawn on the copy of the world the person looks at.
import { el, button } from './dom.js';
import { continuousPath, nearestCopy, panToShow } from './geometry.js';
import { dotCanvas, dotPicture } from './dots.js';

// Past a few hundred markers the pins are drawn on the map's canvas instead of one element
// each, so that a long path still draws at once.
export const MANY_PINS = 300;
const PIN_FILL = { green: '#2ec23a', purple: '#a43ce0', red: '#e0302a' };
// The tip of a pin's needle: the point that stands on the coordinate.
export const PIN_SIZE = [32, 40];
export const PIN_TIP = [16, 34];

function latLng(layerCtx, coordinate) {
  return [coordinate.latitude, nearestCopy(coordinate.longitude, layerCtx.centerLongitude)];
}

function pinElement(marker, color, drop) {
  const icon = marker.getElement();
  if (!icon) return;
  const pin = el('div', 'pin ' + color + (drop ? ' drop' : ''));
  pin.append(el('div', 'needle'), el('div', 'head'));
  icon.replaceChildren(pin);
}

function label(marker, node) {
  const icon = marker.getElement && marker.getElement();
  if (!icon) return;
  icon.dataset.annotation = String(node.id);
  icon.dataset.pin = node.pinColor || '';
  icon.dataset.view = node.view || '';
  icon.title = node.title || '';
}

const pinPicture = (color) => dotPicture(PIN_FILL[color] ? color : 'red', PIN_FILL[color] || PIN_FILL.red);

function select(layer, ctx) {
  if (!layer.node.selected) ctx.send({ type: 'selectAnnotation', id: layer.node.id });
}

export const annotationView = {
  layer: {
    create(node, ctx) {
      const L = window.L;
      const ll = latLng(ctx, node.coordinate);
      let marker;
      if (node.view === 'userLocation') {
        marker = L.marker(ll, { icon: L.divIcon({ className: 'user-location', iconSize: [16, 16] }),
          keyboard: false, zIndexOffset: -100 });
      } else if (ctx.bulk) {
        const layer = { node, bulk: true };
        layer.marker = dotCanvas(ctx.map).addDot(ll, pinPicture(node.pinColor), () => select(layer, ctx));
        return layer;
      } else {
        marker = L.marker(ll, { icon: L.divIcon({ className: 'pin-icon', html: '', iconSize: PIN_SIZE, iconAnchor: PIN_TIP }),
          keyboard: false, riseOnHover: false });
      }
      const layer = { marker, node, bulk: ctx.bulk };
      marker.on('click', (e) => {
        window.L.DomEvent.stopPropagation(e);
        select(layer, ctx);
      });
      marker.addTo(ctx.map);
      if (node.view === 'pin' && !ctx.bulk) pinElement(marker, node.pinColor || 'red', node.animatesDrop && !ctx.first);
      label(marker, node);
      return layer;
    },
    update(layer, node, ctx) {
      const old = layer.node;
      layer.node = node;
      const ll = latLng(ctx, node.coordinate);
      const at = layer.marker.getLatLng();
      if (at.lat !== ll[0] || at.lng !== ll[1]) layer.marker.setLatLng(ll);
      if (node.view === 'pin' && old.pinColor !== node.pinColor) {
        if (layer.bulk) {
          layer.marker.setPicture(pinPicture(node.pinColor));
        } else {
          pinElement(layer.marker, node.pinColor || 'red', false);
        }
      }
      label(layer.marker, node);
    },
    remove(layer) {
      layer.marker.remove();
    },
    // A node without a view draws nothing.
    draws: (node) => node.view !== null && node.view !== undefined && !!node.coordinate,
  },
};

export const polylineView = {
  layer: {
    create(node, ctx) {
      const line = window.L.polyline([], { interactive: false, lineCap: 'round', lineJoin: 'round' }).addTo(ctx.map);
      const layer = { line, key: '' };
      polylineView.layer.update(layer, node, ctx);
      return layer;
    },
    update(layer, node, ctx) {
      const points = node.points || [];
      layer.line.setStyle({ color: node.strokeColor || '#000000', weight: node.lineWidth || 4,
        opacity: node.alpha === undefined ? 1 : node.alpha });
      const key = points.length + ':' + (points.length ? points[0].join() + points[points.length - 1].join() : '') +
        ':' + Math.round(ctx.centerLongitude / 360);
      if (key !== layer.key || layer.points !== points.length) {
        layer.key = key;
        layer.points = points.length;
        layer.line.setLatLngs(continuousPath(points, ctx.centerLongitude));
      }
    },
    remove(layer) {
      layer.line.remove();
    },
    draws: () => true,
  },
};

// Another kind of overlay: drawn as nothing.
export const overlayView = {
  layer: {
    create: () => ({}),
    update() {},
    remove() {},
    draws: () => false,
  },
};

// The one open callout: the annotation's title and subtitle and its accessory button.
export function drawCallout(state, node, layerEntry, ctx) {
  const L = window.L;
  if (!node || !layerEntry) {
    if (state.popup) ctx.map.closePopup(state.popup);
    state.popup = null;
    state.for = 0;
    state.key = '';
    return false;
  }
  const key = JSON.stringify([node.id, node.title, node.subtitle, node.accessory && node.accessory.id]);
  const anchor = layerEntry.marker.getLatLng();
  if (state.popup && state.key === key) {
    state.popup.setLatLng(anchor);
    return false;
  }
  const content = el('div', 'callout-body');
  content.dataset.annotation = String(node.id);
  const texts = el('div', 'texts');
  texts.appendChild(el('div', 'title', node.title || ''));
  if (node.subtitle) texts.appendChild(el('div', 'subtitle', node.subtitle));
  content.appendChild(texts);
  if (node.accessory) {
    const b = button('disclosure', '\u203a', (e) => {
      e.stopPropagation();
      ctx.send({ type: 'tapCalloutAccessory', id: node.id });
    });
    b.setAttribute('aria-label', 'Details');
    b.dataset.id = String(node.accessory.id);
    content.appendChild(b);
  }
  const opened = state.for !== node.id;
  if (state.popup && !opened) {
    state.popup.setContent(content).setLatLng(anchor);
  } else {
    if (state.popup) ctx.map.closePopup(state.popup);
    const offset = node.view === 'userLocation' ? [0, -6] : [0, PIN_TIP[1] - PIN_SIZE[1] - 24];
    state.popup = L.popup({ className: 'callout', closeButton: false, autoClose: false, closeOnClick: false,
      autoPan: false, offset, maxWidth: 400 });
    state.popup.setLatLng(anchor).setContent(content).openOn(ctx.map);
    L.DomEvent.disableClickPropagation(state.popup.getElement());
  }
  state.for = node.id;
  state.key = key;
  return opened;
}

// Moves the map so that the open callout shows whole; true when it moved.
export function keepCalloutOnScreen(state, map, margin = 8) {
  if (!state.popup || !state.popup.getElement()) return false;
  const box = state.popup.getElement().getBoundingClientRect();
  const view = map.getContainer().getBoundingClientRect();
  const { dx, dy } = panToShow({ x: box.left, y: box.top, width: box.width, height: box.height },
    { x: view.left, y: view.top, width: view.width, height: view.height }, margin);
  if (!dx && !dy) return false;
  map.panBy([-dx, -dy], { animate: false });
  return true;
}

// What a map view draws on its map: annotation views (pins, the user's position, their
// callouts) and overlay views (path lines). Each is a layer of the map, made and updated by
// the drawer of its kind, drawn on the copy of the world the person looks at.
import { el, button } from './dom.js';
import { continuousPath, nearestCopy, panToShow } from './geometry.js';

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

// Thousands of pins are drawn as dots on a canvas of their own, each a copy of one small picture
// per colour: far cheaper to paint than as many filled and stroked circles, and adding dots does
// not repaint the line under them.
const DOT_RADIUS = 5;
const dotPictures = new Map();
function dotPicture(color) {
  let picture = dotPictures.get(color);
  if (picture) return picture;
  const scale = window.L.Browser.retina ? 2 : 1;
  const size = 2 * DOT_RADIUS + 2;
  const canvas = document.createElement('canvas');
  canvas.width = canvas.height = size * scale;
  const c = canvas.getContext('2d');
  c.scale(scale, scale);
  c.beginPath();
  c.arc(size / 2, size / 2, DOT_RADIUS, 0, Math.PI * 2);
  c.fillStyle = PIN_FILL[color] || PIN_FILL.red;
  c.fill();
  c.lineWidth = 1;
  c.strokeStyle = '#333333';
  c.stroke();
  picture = { canvas, size };
  dotPictures.set(color, picture);
  return picture;
}

// Added dots are painted over what the canvas shows, in the order a whole redraw would paint
// them (last added on top), instead of redrawing every dot: a long path grows by a thousand dots
// at a time. A region that has to be redrawn (a dot moved, restyled or removed) takes in the
// added dots that reach into it, so no dot is painted twice; the map moved redraws them all.
function dotRenderer(map) {
  if (!map.tessalyDots) {
    const Canvas = window.L.Canvas;
    const Dots = Canvas.extend({
      _updateCircle(layer) {
        const picture = layer.options.picture;
        if (!picture) return Canvas.prototype._updateCircle.call(this, layer);
        if (!this._drawing || layer._empty()) return;
        const p = layer._point;
        this._ctx.drawImage(picture.canvas, p.x - picture.size / 2, p.y - picture.size / 2, picture.size, picture.size);
      },
      _addPath(layer) {
        if (!this._map || !layer.options.picture || !layer._pxBounds) return Canvas.prototype._addPath.call(this, layer);
        (this._added || (this._added = [])).push(layer);
        this._redrawRequest = this._redrawRequest || window.L.Util.requestAnimFrame(this._redraw, this);
      },
      _updatePaths() {
        this._added = null; // the whole redraw paints them
        Canvas.prototype._updatePaths.call(this);
      },
      // With the padding _extendRedrawBounds gives a layer.
      _reaches(layer, bounds) {
        const pad = (layer.options.weight || 0) + 1;
        const b = layer._pxBounds;
        return window.L.bounds(b.min.subtract([pad, pad]), b.max.add([pad, pad])).intersects(bounds);
      },
      _redraw() {
        let added = (this._added || []).filter((layer) => layer._order);
        this._added = null;
        if (this._redrawBounds) {
          // Taking in one dot may make the region reach another.
          for (let grown = true; grown;) {
            grown = false;
            added = added.filter((layer) => {
              if (!this._reaches(layer, this._redrawBounds)) return true;
              this._extendRedrawBounds(layer);
              grown = true;
              return false;
            });
          }
          Canvas.prototype._redraw.call(this);
        } else {
          this._redrawRequest = null;
        }
        this._drawing = true;
        for (const layer of added) layer._updatePath();
        this._drawing = false;
      },
    });
    map.tessalyDots = new Dots({ padding: 0.1 });
  }
  return map.tessalyDots;
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
        marker = L.circleMarker(ll, { radius: DOT_RADIUS, color: '#333333', weight: 1, fillOpacity: 1,
          fillColor: PIN_FILL[node.pinColor] || PIN_FILL.red, picture: dotPicture(node.pinColor),
          renderer: dotRenderer(ctx.map) });
      } else {
        marker = L.marker(ll, { icon: L.divIcon({ className: 'pin-icon', html: '', iconSize: PIN_SIZE, iconAnchor: PIN_TIP }),
          keyboard: false, riseOnHover: false });
      }
      const layer = { marker, node, bulk: ctx.bulk };
      marker.on('click', (e) => {
        window.L.DomEvent.stopPropagation(e);
        if (!layer.node.selected) ctx.send({ type: 'selectAnnotation', id: layer.node.id });
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
          layer.marker.setStyle({ fillColor: PIN_FILL[node.pinColor] || PIN_FILL.red, picture: dotPicture(node.pinColor) });
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

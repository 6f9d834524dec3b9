// Thousands of pins are drawn as dots on one canvas of their own, each a copy of one small
// picture per colour. A dot is not a Leaflet layer: it is a coordinate, a picture and what a click
// on it does, kept by the canvas in the order made (the last made on top). Making ten thousand
// Leaflet circle markers took longer than everything else the page does for a long path.
//
// Added dots are painted over what the canvas shows, instead of redrawing every dot: a long path
// grows by a thousand dots at a time. A dot moved, restyled or removed redraws the region it
// covered, every older dot that reaches into it, and then the added ones over that; the map moved
// redraws them all.
export const DOT_RADIUS = 5;
const DOT_SIZE = 2 * DOT_RADIUS + 2;
// How far from its centre a click still takes a dot: its radius and stroke, and on a touch
// screen a little more, since a finger covers more than a dot.
const hitRadius = () => DOT_RADIUS + 1 + (window.L.Browser.mobile ? 6 : 0);

const pictures = new Map();
export function dotPicture(color, fill) {
  let picture = pictures.get(color);
  if (picture) return picture;
  const scale = window.L.Browser.retina ? 2 : 1;
  const canvas = document.createElement('canvas');
  canvas.width = canvas.height = DOT_SIZE * scale;
  const c = canvas.getContext('2d');
  c.scale(scale, scale);
  c.beginPath();
  c.arc(DOT_SIZE / 2, DOT_SIZE / 2, DOT_RADIUS, 0, Math.PI * 2);
  c.fillStyle = fill;
  c.fill();
  c.lineWidth = 1;
  c.strokeStyle = '#333333';
  c.stroke();
  picture = canvas;
  pictures.set(color, picture);
  return picture;
}

// One dot, as the map's layers hand it out: where it stands (read by the callout and by tests),
// moved, restyled and removed through its canvas.
class Dot {
  constructor(canvas, latLng, picture, onClick) {
    this.canvas = canvas;
    this.picture = picture;
    this.onClick = onClick;
    this.place(latLng);
  }

  place(latLng) {
    this.latLng = window.L.latLng(latLng);
    // Projected at zoom 0: any other zoom is a multiple of it.
    const p = this.canvas.crs.latLngToPoint(this.latLng, 0);
    this.x0 = p.x;
    this.y0 = p.y;
  }

  getLatLng() {
    return this.latLng;
  }

  setLatLng(latLng) {
    this.canvas.changed(this);
    this.place(latLng);
    this.canvas.changed(this);
  }

  setPicture(picture) {
    if (picture === this.picture) return;
    this.picture = picture;
    this.canvas.changed(this);
  }

  remove() {
    this.canvas.removeDot(this);
  }
}

let DotCanvas = null;
function dotCanvasClass() {
  if (DotCanvas) return DotCanvas;
  const L = window.L;
  const Canvas = L.Canvas;
  DotCanvas = Canvas.extend({
    initialize(crs, options) {
      Canvas.prototype.initialize.call(this, options);
      this.crs = crs;
      this._dots = new Set();
      this._added = [];
    },

    addDot(latLng, picture, onClick) {
      const dot = new Dot(this, latLng, picture, onClick);
      dot.added = true;
      this._dots.add(dot);
      this._added.push(dot);
      this._schedule();
      return dot;
    },

    removeDot(dot) {
      if (!this._dots.delete(dot)) return;
      this.changed(dot);
    },

    // The region the dot covers now needs drawing again.
    changed(dot) {
      if (dot.added || !this._map) return; // painted whole when its turn comes
      this._measure();
      const p = this._place(dot);
      const half = DOT_SIZE / 2 + 1;
      this._redrawBounds = this._redrawBounds || new L.Bounds();
      this._redrawBounds.extend([p.x - half, p.y - half]);
      this._redrawBounds.extend([p.x + half, p.y + half]);
      this._schedule();
    },

    _schedule() {
      if (!this._map) return;
      this._redrawRequest = this._redrawRequest || L.Util.requestAnimFrame(this._redraw, this);
    },

    // Where a dot stands on the map's layer, at the zoom drawn, rounded as Leaflet rounds.
    _place(dot) {
      const k = this._scale;
      return { x: Math.round(dot.x0 * k) - this._origin.x, y: Math.round(dot.y0 * k) - this._origin.y };
    },

    _measure() {
      const map = this._map;
      this._scale = this.crs.scale(map.getZoom()) / this.crs.scale(0);
      this._origin = map.getPixelOrigin();
    },

    _paint(dot, p) {
      this._ctx.drawImage(dot.picture, p.x - DOT_SIZE / 2, p.y - DOT_SIZE / 2, DOT_SIZE, DOT_SIZE);
    },

    // The whole canvas, after the map moved (resizing the canvas cleared it).
    _updatePaths() {
      if (this._postponeUpdatePaths || !this._map) return;
      this._redrawBounds = null;
      this._draw();
    },

    // The region to redraw as Leaflet's canvas does it, then the added dots over it.
    _redraw() {
      if (this._redrawBounds) Canvas.prototype._redraw.call(this);
      this._redrawRequest = null;
      if (!this._map) return;
      this._measure();
      for (const dot of this._added) {
        dot.added = false;
        if (this._dots.has(dot)) this._paint(dot, this._place(dot));
      }
      this._added = [];
    },

    // The dots in the region to redraw (all of them without one), older than the added ones.
    _draw() {
      if (!this._map || !this._ctx) return;
      this._measure();
      const bounds = this._redrawBounds;
      const ctx = this._ctx;
      ctx.save();
      if (bounds) {
        const size = bounds.getSize();
        ctx.beginPath();
        ctx.rect(bounds.min.x, bounds.min.y, size.x, size.y);
        ctx.clip();
      } else {
        for (const dot of this._added) dot.added = false;
        this._added = [];
      }
      const reach = DOT_SIZE / 2;
      for (const dot of this._dots) {
        if (dot.added) continue;
        const p = this._place(dot);
        if (bounds && (p.x + reach < bounds.min.x || p.x - reach > bounds.max.x ||
          p.y + reach < bounds.min.y || p.y - reach > bounds.max.y)) continue;
        this._paint(dot, p);
      }
      ctx.restore();
    },

    // The topmost dot under a point of the map's layer.
    _dotAt(point) {
      this._measure();
      const r = hitRadius();
      let found = null;
      for (const dot of this._dots) {
        const p = this._place(dot);
        const dx = p.x - point.x;
        const dy = p.y - point.y;
        if (dx * dx + dy * dy <= r * r) found = dot;
      }
      return found;
    },

    // A click on a dot is the dot's; everything else goes on to the map (dragging, long presses
    // and clicks beside the dots).
    _onClick(e) {
      const map = this._map;
      if (e.type === 'click' && !map._draggableMoved(map)) {
        const dot = this._dotAt(map.mouseEventToLayerPoint(e));
        if (dot) {
          L.DomEvent.stop(e);
          if (dot.onClick) dot.onClick();
          return;
        }
      }
      this._fireEvent(false, e);
    },

    _handleMouseHover(e, point) {
      if (this._mouseHoverThrottled) return;
      const over = !!this._dotAt(point);
      this._container.classList.toggle('leaflet-interactive', over);
      this._fireEvent(false, e);
      this._mouseHoverThrottled = true;
      setTimeout(() => { this._mouseHoverThrottled = false; }, 32);
    },

    _handleMouseOut() {
      if (this._container) this._container.classList.remove('leaflet-interactive');
    },
  });
  return DotCanvas;
}

// The map's canvas of dots, made and added the first time it is asked for.
export function dotCanvas(map) {
  if (!map.tessalyDots) {
    const Made = dotCanvasClass();
    map.tessalyDots = new Made(map.options.crs, { padding: 0.1 });
    map.addLayer(map.tessalyDots);
  }
  return map.tessalyDots;
}

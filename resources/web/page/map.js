// A map view: tiles and the offline land outline under Leaflet, showing exactly the map
// rectangle the application decided; the person's moves go back as the new region. Its
// annotations and overlays are drawn by the drawers of their kinds; its other subviews over it.
import { el, button } from './dom.js';
import { drawerFor, drawChildren } from './draw.js';
import { page } from './state.js';
import { viewForMapRect, regionForView, sameMapRect } from './geometry.js';
import { hasPins } from './tree.js';
import { MANY_PINS, drawCallout, keepCalloutOnScreen } from './annotations.js';
import { setupLongPress } from './longpress.js';
import { followUserLocation } from './device.js';

let landPromise = null;

// The outline of the land keeps the map readable with no tile server at all. Rings that cross
// 180 degrees are made continuous so that no band is drawn across the world.
function unwrapRings(geo) {
  const fixRing = (ring) => {
    for (let i = 1; i < ring.length; i++) {
      while (ring[i][0] - ring[i - 1][0] > 180) ring[i][0] -= 360;
      while (ring[i][0] - ring[i - 1][0] < -180) ring[i][0] += 360;
    }
  };
  const fix = (g) => {
    if (!g) return;
    if (g.type === 'Polygon') g.coordinates.forEach(fixRing);
    else if (g.type === 'MultiPolygon') g.coordinates.forEach((p) => p.forEach(fixRing));
    else if (g.type === 'GeometryCollection') g.geometries.forEach(fix);
  };
  if (geo.type === 'FeatureCollection') geo.features.forEach((f) => fix(f.geometry));
  else fix(geo.geometry || geo);
  return geo;
}

function loadLand() {
  if (!landPromise) {
    landPromise = fetch('/vendor/world-atlas/land-50m.json').then((r) => r.json())
      .then((topo) => unwrapRings(window.topojson.feature(topo, topo.objects.land)))
      .catch(() => null);
  }
  return landPromise;
}

const HINT_KEY = 'tessaly.longPressHintDismissed';
const hintDismissed = () => {
  try { return sessionStorage.getItem(HINT_KEY) === '1'; } catch (e) { return false; }
};

function makeMap(m, host, ctx) {
  const L = window.L;
  const map = L.map(host, {
    preferCanvas: true, zoomControl: false, zoomSnap: 0, zoomDelta: 0.5, minZoom: -1, maxZoom: 19,
    worldCopyJump: false, inertia: false, boxZoom: false, doubleClickZoom: true, attributionControl: true,
    fadeAnimation: false, zoomAnimation: false, markerZoomAnimation: false,
  });
  map.attributionControl.setPrefix(false);
  map.createPane('land').style.zIndex = 150;
  map.getPane('land').classList.add('leaflet-land-pane');
  map.createPane('landOutline').style.zIndex = 350;
  map.getPane('landOutline').style.pointerEvents = 'none';
  map.setView([0, 0], 1);
  const cfg = page.config || {};
  const tileLayer = (source) => (source && source.url ? L.tileLayer(source.url, {
    attribution: source.attribution || '', maxZoom: 19, crossOrigin: false, updateWhenIdle: true }) : null);
  m.base = { standard: tileLayer(cfg.tiles), imagery: tileLayer(cfg.imagery) };
  loadLand().then((land) => {
    // The map may be gone by then (the application started afresh on another device).
    if (!land || m.removed) return;
    const style = { stroke: true, color: '#8a8470', weight: 0.8, fillColor: '#efe9d8', fillOpacity: 1, interactive: false };
    L.geoJSON(land, { ...style, pane: 'land' }).addTo(map);
    m.outline = L.geoJSON(land, { pane: 'landOutline', stroke: true, color: '#ffe9a8', weight: 1, fill: false,
      interactive: false });
    applyMapType(m, m.type, true);
  });
  map.on('movestart', () => { if (!m.applying) m.moving = true; });
  map.on('moveend', () => {
    if (m.applying) return;
    m.moving = false;
    sendRegion(m, ctx);
  });
  map.on('click', () => {
    const selected = (m.data.annotations || []).find((a) => a.selected);
    if (selected) ctx.send({ type: 'deselectAnnotation', id: selected.id });
  });
  setupLongPress(host, {
    holdMs: (cfg.longPressSeconds || 0.5) * 1000,
    slop: cfg.longPressSlop || 10,
    fire: (point) => ctx.send({ type: 'longPress', id: m.data.id, point }),
  });
  return map;
}

function applyMapType(m, type, force) {
  if (!force && type === m.type) return;
  m.type = type;
  for (const layer of Object.values(m.base)) if (layer && m.map.hasLayer(layer)) m.map.removeLayer(layer);
  if (m.outline && m.map.hasLayer(m.outline)) m.map.removeLayer(m.outline);
  if (type === 'satellite' || type === 'hybrid') {
    if (m.base.imagery) m.base.imagery.addTo(m.map);
    if (type === 'hybrid' && m.outline) m.outline.addTo(m.map);
  } else if (m.base.standard) {
    m.base.standard.addTo(m.map);
  }
}

// Region inputs are answered with the version that holds them: states older than that still
// show the old region and are not applied, so the map does not jump back.
async function sendRegion(m, ctx) {
  const size = m.map.getSize();
  if (size.x <= 0 || size.y <= 0) return;
  const input = { type: 'regionChanged', ...regionForView(m.map.getCenter(), m.map.getZoom(), size) };
  m.waitFor = Infinity;
  const reply = await ctx.send(input);
  m.waitFor = reply && reply.version ? reply.version : 0;
}

function applyView(m, data) {
  const frame = data.frame;
  const rect = data.mapRect;
  if (!rect || !frame || frame.width <= 0 || frame.height <= 0 || rect.width <= 0) return false;
  const sizeKey = frame.width + 'x' + frame.height;
  if (m.moving || (m.waitFor && page.version < m.waitFor)) return false;
  if (sizeKey === m.sizeKey && sameMapRect(m.rect, rect, frame.width)) return false;
  m.sizeKey = sizeKey;
  m.rect = rect;
  const view = viewForMapRect(rect, frame.width);
  m.applying = true;
  try {
    m.map.invalidateSize({ pan: false, animate: false });
    m.map.setMinZoom(Math.min(-1, view.zoom));
    m.map.setView(view.center, view.zoom, { animate: false });
  } finally {
    m.applying = false;
  }
  return true;
}

// The annotations or overlays of the map, each by the layer drawer of its kind. Each draw marks
// the layers it meets with its own number; the unmarked ones are gone.
let drawNumber = 0;
function drawLayers(m, list, layers, ctx) {
  const mark = ++drawNumber;
  for (const node of list || []) {
    const drawer = drawerFor(node.kind);
    if (!drawer || !drawer.layer || !drawer.layer.draws(node)) continue;
    const key = node.kind + '#' + node.id;
    const entry = layers.get(key);
    if (entry && entry.bulk === ctx.bulk) {
      entry.mark = mark;
      // A node that changes left alone is the same object (see patch.js): nothing to redo
      // while the map shows the same copy of the world.
      if (entry.node === node && entry.center === ctx.centerLongitude) continue;
      drawer.layer.update(entry.layer, node, ctx);
      entry.node = node;
      entry.center = ctx.centerLongitude;
    } else {
      if (entry) entry.drawer.layer.remove(entry.layer);
      const layer = drawer.layer.create(node, ctx);
      layers.set(key, { layer, drawer, bulk: ctx.bulk, marker: layer.marker, node, center: ctx.centerLongitude, mark });
    }
  }
  for (const [key, entry] of layers) {
    if (entry.mark === mark) continue;
    entry.drawer.layer.remove(entry.layer);
    layers.delete(key);
  }
}

function drawMap(node, data, ctx) {
  const m = ctx.memo;
  m.data = data;
  if (!m.map) {
    m.map = makeMap(m, m.host, ctx);
    m.annotations = new Map();
    m.overlays = new Map();
    m.callout = {};
    m.first = true;
    // Tests and the benchmark read the map and its layers here.
    (page.maps || (page.maps = new Map())).set(data.id, m);
  }
  applyMapType(m, data.mapType || 'standard', false);
  const moved = applyView(m, data);
  const layerCtx = { ...ctx, map: m.map, centerLongitude: m.map.getCenter().lng, first: m.first,
    bulk: (data.annotations || []).length > MANY_PINS };
  drawLayers(m, data.overlays, m.overlays, layerCtx);
  drawLayers(m, data.annotations, m.annotations, layerCtx);
  m.first = false;
  const open = (data.annotations || []).find((a) => a.calloutOpen || (a.selected && a.canShowCallout));
  const entry = open && m.annotations.get(open.kind + '#' + open.id);
  const opened = drawCallout(m.callout, open, entry, layerCtx);
  // A callout opened near an edge, or one the map's new shape cut off, moves the map.
  if (opened || moved) keepCalloutOnScreen(m.callout, m.map);
  m.hint.hidden = hasPins(data) || hintDismissed();
  followUserLocation(!!data.showsUserLocation, ctx.send);
}

export const mapView = {
  create(data, ctx) {
    const node = el('div', 'map-view');
    const m = ctx.memo;
    m.host = el('div', 'map-canvas');
    m.subviews = el('div', 'map-subviews');
    m.hint = el('div', 'map-hint');
    m.hint.setAttribute('role', 'note');
    m.hint.append(el('span', null, 'Press and hold the map to drop a marker'),
      button('hint-close', '\u00d7', () => {
        try { sessionStorage.setItem(HINT_KEY, '1'); } catch (e) { /* private mode */ }
        m.hint.hidden = true;
      }));
    m.hint.lastChild.setAttribute('aria-label', 'Dismiss');
    m.hint.hidden = true;
    node.append(m.host, m.subviews, m.hint);
    return node;
  },
  update(node, data, ctx) {
    drawChildren(ctx.memo.subviews, data, ctx);
    ctx.after(() => drawMap(node, data, ctx));
  },
  remove(node, entry) {
    if (page.maps) page.maps.delete(entry.memo.data && entry.memo.data.id);
    entry.memo.removed = true;
    if (entry.memo.map) entry.memo.map.remove();
  },
};

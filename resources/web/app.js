// The page: draws the state the application sends, at the frames its layout decided, and
// reports what the person touched. It decides nothing itself. Every text that comes from the
// application is set with textContent, never parsed as HTML.
'use strict';

(function () {
  const WORLD = 268435456;  // map points across the world (the application's projection)
  const TILE = 256;
  const ICONS = { 1: 'files', 2: 'clear', 3: 'undo', 4: 'close', 5: 'route', 6: 'search' };
  const NAMES = { 1: 'Files', 2: 'Clear', 3: 'Undo', 4: 'Close polygon', 5: 'Route', 6: 'Search' };

  const $ = (id) => document.getElementById(id);
  const el = (tag, className, text) => {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined && text !== null) node.textContent = String(text);
    return node;
  };
  const place = (node, frame) => {
    if (!frame) return;
    node.style.left = frame.x + 'px';
    node.style.top = frame.y + 'px';
    node.style.width = frame.width + 'px';
    node.style.height = frame.height + 'px';
  };

  const page = {
    config: null,
    state: null,
    version: 0,
    lastError: null,
    inputsSent: 0,
    longPressAt: null,  // time of the last long press sent, for the bench
  };
  window.tessaly = page;

  // ---- Talking to the host ----

  async function send(input) {
    page.inputsSent++;
    const res = await fetch('/api/input', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify(input),
      credentials: 'same-origin',
    });
    const text = await res.text();
    if (!res.ok) {
      page.lastError = text.trim();
      console.warn('input refused:', page.lastError);
      return null;
    }
    return JSON.parse(text);
  }
  page.send = send;

  // ---- Map projection, the same as the application's ----

  const latForY = (y) => (Math.atan(Math.sinh(Math.PI * (1 - (2 * y) / WORLD))) * 180) / Math.PI;
  const lonForX = (x) => (x / WORLD) * 360 - 180;
  const wrapLon = (lon) => {
    let l = ((((lon + 180) % 360) + 360) % 360) - 180;
    if (l === -180 && lon > 0) l = 180;
    return l;
  };

  // ---- The map ----

  let map = null;
  let landLayer = null;
  let landOutline = null;
  let baseLayers = {};
  let currentType = null;
  let applyingView = false;
  let lastViewKey = '';
  let lastFitKey = '';
  const markers = new Map();  // annotation id -> { marker, data }
  const lines = new Map();    // overlay id -> L.polyline
  let popup = null;
  let popupFor = 0;
  let firstMarkers = true;

  function setupMap() {
    map = L.map('map', {
      preferCanvas: true,
      zoomControl: false,
      zoomSnap: 0,
      zoomDelta: 0.5,
      minZoom: -1,
      maxZoom: 19,
      worldCopyJump: false,
      inertia: false,
      boxZoom: false,
      doubleClickZoom: true,
      attributionControl: true,
      fadeAnimation: false,
      zoomAnimation: false,
      markerZoomAnimation: false,
    });
    map.attributionControl.setPrefix(false);
    map.createPane('land').style.zIndex = 150;
    map.getPane('land').classList.add('leaflet-land-pane');
    map.createPane('landOutline').style.zIndex = 350;
    map.getPane('landOutline').style.pointerEvents = 'none';
    map.setView([0, -40], 1);

    const cfg = page.config || {};
    const tiles = cfg.tiles || {};
    const imagery = cfg.imagery || {};
    const tileOptions = (attribution) => ({ attribution: attribution || '', maxZoom: 19,
      crossOrigin: false, updateWhenIdle: true });
    baseLayers = {
      standard: tiles.url ? L.tileLayer(tiles.url, tileOptions(tiles.attribution)) : null,
      imagery: imagery.url ? L.tileLayer(imagery.url, tileOptions(imagery.attribution)) : null,
    };
    loadLand();

    map.on('moveend', () => {
      if (applyingView || !page.state) return;
      sendRegion();
    });
    map.on('click', () => {
      if (!page.state) return;
      const sel = (page.state.map.annotations || []).find((a) => a.selected);
      if (sel) send({ type: 'deselectAnnotation', id: sel.id });
    });
    setupLongPress(map.getContainer());
  }

  // The outline of the land keeps the map readable with no tile server at all.
  async function loadLand() {
    try {
      const res = await fetch('/vendor/world-atlas/land-50m.json');
      const topo = await res.json();
      const land = topojson.feature(topo, topo.objects.land);
      unwrapAntimeridian(land);
      const style = { pane: 'land', stroke: true, color: '#8a8470', weight: 0.8, fillColor: '#efe9d8',
        fillOpacity: 1, interactive: false };
      landLayer = L.geoJSON(land, style).addTo(map);
      landOutline = L.geoJSON(land, { pane: 'landOutline', stroke: true, color: '#ffe9a8', weight: 1,
        fill: false, interactive: false });
      applyMapType(page.state ? page.state.map.type : 0, true);
    } catch (e) {
      console.warn('land outline unavailable', e);
    }
  }

  // Rings that cross the 180th meridian jump across the whole map; keep each ring continuous.
  function unwrapAntimeridian(geo) {
    const fixRing = (ring) => {
      for (let i = 1; i < ring.length; i++) {
        while (ring[i][0] - ring[i - 1][0] > 180) ring[i][0] -= 360;
        while (ring[i][0] - ring[i - 1][0] < -180) ring[i][0] += 360;
      }
    };
    const fixGeometry = (g) => {
      if (!g) return;
      if (g.type === 'Polygon') g.coordinates.forEach(fixRing);
      else if (g.type === 'MultiPolygon') g.coordinates.forEach((p) => p.forEach(fixRing));
      else if (g.type === 'GeometryCollection') g.geometries.forEach(fixGeometry);
    };
    if (geo.type === 'FeatureCollection') geo.features.forEach((f) => fixGeometry(f.geometry));
    else if (geo.type === 'Feature') fixGeometry(geo.geometry);
    else fixGeometry(geo);
  }

  function applyMapType(type, force) {
    if (!force && type === currentType) return;
    currentType = type;
    for (const layer of Object.values(baseLayers)) if (layer && map.hasLayer(layer)) map.removeLayer(layer);
    if (landOutline && map.hasLayer(landOutline)) map.removeLayer(landOutline);
    if (type === 1 || type === 2) {
      if (baseLayers.imagery) baseLayers.imagery.addTo(map);
      if (type === 2 && landOutline) landOutline.addTo(map);
    } else if (baseLayers.standard) {
      baseLayers.standard.addTo(map);
    }
  }

  function leafletZoomFor(frameWidth, rectWidth) {
    return Math.log2((frameWidth * WORLD) / (rectWidth * TILE));
  }

  function applyView(state) {
    const m = state.map;
    const frame = m.frame;
    const rect = m.mapRect;
    if (!frame || !rect || frame.width <= 0 || frame.height <= 0 || rect.width <= 0) return;
    const key = [frame.width, frame.height, rect.x, rect.y, rect.width, rect.height].join(',');
    if (key === lastViewKey) return;
    lastViewKey = key;
    const center = [latForY(rect.y + rect.height / 2), lonForX(rect.x + rect.width / 2)];
    const zoom = leafletZoomFor(frame.width, rect.width);
    applyingView = true;
    try {
      map.invalidateSize({ pan: false, animate: false });
      map.setMinZoom(Math.min(-1, zoom));
      map.setView(center, zoom, { animate: false });
    } finally {
      applyingView = false;
    }
    // After the view changed size the application's region no longer has the view's shape:
    // report what is shown, so that both convert points the same way.
    const aspectFrame = frame.height / frame.width;
    const aspectRect = rect.height / rect.width;
    if (Math.abs(aspectFrame - aspectRect) > 0.01 * aspectFrame && key !== lastFitKey) {
      lastFitKey = key;
      sendRegion();
    }
  }

  function sendRegion() {
    const size = map.getSize();
    if (size.x <= 0 || size.y <= 0) return;
    const c = map.getCenter();
    const b = map.getBounds();
    const zoom = map.getZoom();
    let lonDelta = (360 * size.x) / (TILE * Math.pow(2, zoom));
    let latDelta = b.getNorth() - b.getSouth();
    lonDelta = Math.min(360, Math.max(1e-9, lonDelta));
    latDelta = Math.min(180, Math.max(1e-9, latDelta));
    send({
      type: 'regionChanged',
      center: { latitude: Math.max(-85.05, Math.min(85.05, c.lat)), longitude: wrapLon(c.lng) },
      span: { latitudeDelta: latDelta, longitudeDelta: lonDelta },
    });
  }

  // A press held for half a second without moving more than 10 points places a marker; moving
  // the map does not. Works for a finger and for the mouse.
  function setupLongPress(container) {
    const cfg = page.config || {};
    const holdMs = (cfg.longPressSeconds || 0.5) * 1000;
    const slop = cfg.longPressSlop || 10;
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
      if (e.target.closest('.leaflet-popup, .leaflet-control')) return;
      start = { x: e.clientX, y: e.clientY };
      cancel('a new press');
      timer = setTimeout(() => {
        timer = null;
        const r = container.getBoundingClientRect();
        const point = L.point(start.x - r.left, start.y - r.top);
        const ll = map.containerPointToLatLng(point);
        swallowUntil = performance.now() + 1500;
        page.longPressAt = performance.now();
        send({
          type: 'longPress',
          point: { x: Math.round(point.x * 100) / 100, y: Math.round(point.y * 100) / 100 },
          coordinate: {
            latitude: Math.max(-90, Math.min(90, ll.lat)),
            longitude: wrapLon(ll.lng),
          },
        });
      }, holdMs);
    });
    container.addEventListener('pointermove', (e) => {
      if (!timer || !start) return;
      if (Math.hypot(e.clientX - start.x, e.clientY - start.y) > slop) cancel('moved');
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

  function pinIcon(color, drop) {
    return L.divIcon({
      className: '',
      html: '',
      iconSize: [32, 40],
      iconAnchor: [16, 34],
      popupAnchor: [0, -32],
    });
  }

  function makePinElement(marker, color, drop) {
    const icon = marker.getElement();
    if (!icon) return;
    icon.replaceChildren();
    const pin = el('div', 'pin ' + color + (drop ? ' drop' : ''));
    pin.appendChild(el('div', 'needle'));
    pin.appendChild(el('div', 'head'));
    icon.appendChild(pin);
  }

  // Past a few hundred markers the pins are drawn on the map's canvas instead of one element
  // each, so that a long path still draws at once.
  const MANY_PINS = 300;
  const PIN_FILL = { green: '#2ec23a', purple: '#a43ce0', red: '#e0302a' };
  let bulkPins = false;

  function makeMarker(a, ll) {
    let marker;
    if (a.kind === 'userLocation') {
      marker = L.marker(ll, {
        icon: L.divIcon({ className: 'user-location', iconSize: [16, 16], popupAnchor: [0, -8] }),
        keyboard: false, zIndexOffset: -100,
      });
    } else if (bulkPins) {
      marker = L.circleMarker(ll, { radius: 5, color: '#333333', weight: 1, fillOpacity: 1,
        fillColor: PIN_FILL[a.pinColor] || PIN_FILL.red });
    } else {
      marker = L.marker(ll, { icon: pinIcon(), keyboard: false, riseOnHover: false });
    }
    marker.on('click', (e) => {
      L.DomEvent.stopPropagation(e);
      const current = markers.get(a.id);
      if (current && !current.data.selected) send({ type: 'selectAnnotation', id: a.id });
    });
    marker.addTo(map);
    if (a.kind !== 'userLocation' && !bulkPins) makePinElement(marker, a.pinColor || 'red', a.animatesDrop && !firstMarkers);
    const node = marker.getElement && marker.getElement();
    if (node) {
      node.dataset.annotation = String(a.id);
      node.dataset.pin = a.pinColor || '';
      node.dataset.kind = a.kind;
      node.title = a.title || '';
    }
    return marker;
  }

  function renderAnnotations(annotations) {
    const wantBulk = annotations.length > MANY_PINS;
    if (wantBulk !== bulkPins) {
      for (const entry of markers.values()) entry.marker.remove();
      markers.clear();
      bulkPins = wantBulk;
    }
    const seen = new Set();
    for (const a of annotations) {
      seen.add(a.id);
      const entry = markers.get(a.id);
      if (!entry) {
        markers.set(a.id, { marker: makeMarker(a, [a.coordinate.latitude, a.coordinate.longitude]), data: a });
        continue;
      }
      const old = entry.data;
      if (old.coordinate.latitude !== a.coordinate.latitude || old.coordinate.longitude !== a.coordinate.longitude) {
        entry.marker.setLatLng([a.coordinate.latitude, a.coordinate.longitude]);
      }
      if (a.kind !== 'userLocation' && old.pinColor !== a.pinColor) {
        if (bulkPins) entry.marker.setStyle({ fillColor: PIN_FILL[a.pinColor] || PIN_FILL.red });
        else makePinElement(entry.marker, a.pinColor || 'red', false);
        const node = entry.marker.getElement && entry.marker.getElement();
        if (node) node.dataset.pin = a.pinColor || '';
      }
      if (old.title !== a.title) {
        const node = entry.marker.getElement && entry.marker.getElement();
        if (node) node.title = a.title || '';
      }
      entry.data = a;
    }
    if (markers.size > seen.size) {
      for (const [id, entry] of markers) {
        if (!seen.has(id)) {
          entry.marker.remove();
          markers.delete(id);
        }
      }
    }
    firstMarkers = false;
    renderCallout(annotations.find((a) => a.selected && a.canShowCallout !== false));
  }

  function renderCallout(selected) {
    if (!selected) {
      if (popup) map.closePopup(popup);
      popup = null;
      popupFor = 0;
      return;
    }
    const content = el('div', 'callout-body');
    content.dataset.annotation = String(selected.id);
    const texts = el('div', 'texts');
    texts.appendChild(el('div', 'title', selected.title || ''));
    if (selected.subtitle) texts.appendChild(el('div', 'subtitle', selected.subtitle));
    content.appendChild(texts);
    if (selected.accessory) {
      const button = el('button', 'disclosure', '›');
      button.type = 'button';
      button.setAttribute('aria-label', 'Details');
      button.addEventListener('click', (e) => {
        e.stopPropagation();
        send({ type: 'tapCalloutAccessory', id: selected.id });
      });
      content.appendChild(button);
    }
    const entry = markers.get(selected.id);
    if (!entry) return;
    const offset = selected.kind === 'userLocation' ? [0, -6] : [0, -30];
    if (!popup || popupFor !== selected.id) {
      if (popup) map.closePopup(popup);
      popup = L.popup({ className: 'callout', closeButton: false, autoClose: false, closeOnClick: false,
        autoPan: false, offset, maxWidth: 400 });
      popupFor = selected.id;
      popup.setLatLng(entry.marker.getLatLng()).setContent(content).openOn(map);
      L.DomEvent.disableClickPropagation(popup.getElement());
    } else {
      popup.setLatLng(entry.marker.getLatLng()).setContent(content);
    }
  }

  function renderOverlays(overlays) {
    const seen = new Set();
    for (const o of overlays) {
      if (o.kind !== 'polyline') continue;
      seen.add(o.id);
      const style = { color: o.strokeColor || '#000000', opacity: o.alpha === undefined ? 1 : o.alpha,
        weight: o.lineWidth || 4, interactive: false, lineCap: 'round', lineJoin: 'round' };
      let line = lines.get(o.id);
      if (!line) {
        line = L.polyline(o.points, style).addTo(map);
        lines.set(o.id, line);
      } else {
        line.setStyle(style);
      }
    }
    for (const [id, line] of lines) {
      if (!seen.has(id)) {
        line.remove();
        lines.delete(id);
      }
    }
  }

  // ---- Bars, panels, banner ----

  function renderNavigationBar(nav) {
    const bar = $('navbar');
    const nb = nav && nav.navigationBar;
    bar.hidden = !nb || nb.hidden;
    if (bar.hidden) return;
    place(bar, nb.frame);
    $('nav-title').textContent = nb.title || '';
    const back = $('nav-back');
    back.hidden = !nb.back;
    back.textContent = nb.back || '';
    const setButton = (button, item) => {
      button.hidden = !item || !!nb.back;
      if (!item) return;
      button.disabled = !item.enabled;
      if (item.title && !button.classList.contains('settings') && !button.classList.contains('info')) {
        button.textContent = item.title;
      }
    };
    setButton($('nav-left'), nb.left);
    setButton($('nav-right'), nb.right);
  }

  // The toolbar's buttons are made once per set of items and then only updated, so that a
  // finger on a button is not lost to a redraw.
  let toolbarKey = '';
  function renderToolbar(nav) {
    const bar = $('toolbar');
    const tb = nav && nav.toolbar;
    bar.hidden = !tb || tb.hidden;
    if (bar.hidden) return;
    place(bar, tb.frame);
    const items = tb.items || [];
    const key = JSON.stringify(items.map((i) => [i.kind, i.tag, i.title, i.systemItem, i.width]));
    if (key !== toolbarKey) {
      toolbarKey = key;
      bar.replaceChildren();
      for (const item of items) bar.appendChild(toolbarElement(item));
    }
    items.forEach((item, index) => {
      const node = bar.children[index];
      if (item.kind === 'label') {
        node.textContent = item.text || '';
        if (item.frame) node.style.width = item.frame.width + 'px';
        if (item.font) {
          node.style.fontSize = item.font.size + 'px';
          node.style.fontWeight = item.font.bold ? 'bold' : 'normal';
        }
        if (item.color) node.style.color = item.color;
        shrinkToFit(node, item.font ? item.font.size : 14);
      } else if (item.kind === 'button') {
        node.disabled = !item.enabled;
      }
    });
  }

  // A long total must stay readable in the narrow phone label: shrink the type rather than cut
  // the number off.
  function shrinkToFit(node, size) {
    const smallest = Math.min(size, 8);
    const text = document.createRange();
    text.selectNodeContents(node);
    const overflows = () => text.getBoundingClientRect().width > node.getBoundingClientRect().width - 1;
    while (size > smallest && overflows()) {
      size -= 0.5;
      node.style.fontSize = size + 'px';
    }
  }

  function toolbarElement(item) {
    if (item.kind === 'space') {
      const s = el('div', item.width ? 'fixed-space' : 'space');
      if (item.width) s.style.width = item.width + 'px';
      return s;
    }
    if (item.kind === 'label') {
      const label = el('div', 'status');
      label.id = 'status';
      return label;
    }
    const button = el('button', 'tool');
    button.type = 'button';
    button.dataset.tag = String(item.tag);
    const name = item.title || NAMES[item.tag] || '';
    button.setAttribute('aria-label', name);
    button.title = name;
    const icon = ICONS[item.tag];
    if (icon) button.style.background = `url("/images/${icon}.svg") center / 24px 24px no-repeat`;
    else button.textContent = item.title || '\u2022';
    button.addEventListener('click', () => send({ type: 'tapToolbarItem', tag: item.tag }));
    return button;
  }

  function renderPanels(panels, state) {
    const root = $('panels');
    const key = JSON.stringify(panels.map((p) => [p.id, p.title, p.message, p.buttons]));
    if (root.dataset.key === key) return;  // keep what the person is typing
    root.dataset.key = key;
    root.replaceChildren();
    for (const p of panels) {
      root.appendChild(el('div', 'dim'));
      if (p.kind === 'alert') root.appendChild(alertElement(p));
      else root.appendChild(sheetElement(p, state));
    }
    const field = root.querySelector('input');
    if (field) field.focus();
  }

  function alertElement(p) {
    const box = el('div', 'alert');
    box.setAttribute('role', 'alertdialog');
    box.setAttribute('aria-modal', 'true');
    box.dataset.panel = String(p.id);
    if (p.title) box.appendChild(el('h2', null, p.title));
    if (p.message) box.appendChild(el('p', null, p.message));
    let input = null;
    if (p.textField) {
      input = el('input');
      input.type = p.textField.secure ? 'password' : 'text';
      input.value = p.textField.text || '';
      input.placeholder = p.textField.placeholder || '';
      input.autocomplete = 'off';
      box.appendChild(input);
    }
    const row = el('div', 'buttons');
    p.buttons.forEach((title, index) => {
      const b = el('button', index === p.cancelButtonIndex ? 'cancel' : '', title);
      b.type = 'button';
      b.addEventListener('click', () => {
        const input0 = { type: 'pressAlertButton', id: p.id, index };
        if (input) input0.text = input.value;
        send(input0);
      });
      row.appendChild(b);
    });
    box.appendChild(row);
    return box;
  }

  function sheetElement(p, state) {
    const box = el('div', 'sheet');
    box.setAttribute('role', 'dialog');
    box.dataset.panel = String(p.id);
    const group = el('div', 'group');
    const cancelGroup = el('div', 'group cancel-group');
    if (p.title) group.appendChild(el('div', 'title', p.title));
    p.buttons.forEach((title, index) => {
      let cls = '';
      if (index === p.cancelButtonIndex) cls = 'cancel';
      else if (index === p.destructiveButtonIndex) cls = 'destructive';
      const b = el('button', cls, title);
      b.type = 'button';
      b.addEventListener('click', () => send({ type: 'pressSheetButton', id: p.id, index }));
      (index === p.cancelButtonIndex ? cancelGroup : group).appendChild(b);
    });
    box.appendChild(group);
    if (cancelGroup.childElementCount) box.appendChild(cancelGroup);
    // A tablet shows the sheet as a popover next to the item it came from.
    const anchorNode = p.anchor && document.querySelector(`#toolbar button[data-tag="${Number(p.anchor.tag)}"]`);
    if (state.device.idiom === 'tablet' && anchorNode) {
      box.classList.add('popover');
      const r = anchorNode.getBoundingClientRect();
      const s0 = $('screen').getBoundingClientRect();
      const f = { x: r.left - s0.left, y: r.top - s0.top, width: r.width, height: r.height };
      const screenH = state.device.screen.height;
      const width = 280;
      const left = Math.max(8, Math.min(state.device.screen.width - width - 8, f.x + f.width / 2 - width / 2));
      box.style.left = left + 'px';
      box.style.bottom = (screenH - f.y + 8) + 'px';
      // The cancel button lives outside a popover: tapping outside it cancels.
      box.addEventListener('click', (e) => e.stopPropagation());
    }
    return box;
  }

  // The search bar over the map and its result table, as the views describe them. Addresses
  // come from the network: they are set as text only.
  let searchInput = null;
  function renderSearch(views) {
    const root = $('search');
    const bar = views.find((v) => v.kind === 'searchBar' && !v.hidden);
    const table = views.find((v) => v.kind === 'table' && !v.hidden && Array.isArray(v.rows));
    if (!bar) {
      root.replaceChildren();
      searchInput = null;
    } else {
      if (!searchInput) {
        root.replaceChildren();
        const node = el('form', 'search-bar');
        node.setAttribute('role', 'search');
        searchInput = el('input');
        searchInput.type = 'search';
        searchInput.autocomplete = 'off';
        searchInput.setAttribute('autocorrect', 'off');
        searchInput.setAttribute('aria-label', 'Search');
        const cancel = el('button', 'search-cancel', 'Cancel');
        cancel.type = 'button';
        cancel.addEventListener('click', () => send({ type: 'searchBar', action: 'cancel' }));
        node.addEventListener('submit', (e) => {
          e.preventDefault();
          send({ type: 'searchBar', action: 'search', text: searchInput.value });
        });
        node.append(searchInput, cancel);
        root.appendChild(node);
      }
      const node = root.querySelector('.search-bar');
      place(node, bar.frame);
      searchInput.placeholder = bar.placeholder || '';
      if (document.activeElement !== searchInput) searchInput.value = bar.text || '';
      if (bar.focused && document.activeElement !== searchInput) searchInput.focus();
    }
    let list = root.querySelector('.search-results');
    if (!bar || !table) {
      if (list) list.remove();
      return;
    }
    if (!list) {
      list = el('ul', 'search-results');
      root.appendChild(list);
    }
    place(list, table.frame);
    list.replaceChildren(...table.rows.map((text, index) => {
      const row = el('li');
      const b = el('button', 'result', text);
      b.type = 'button';
      b.addEventListener('click', () => send({ type: 'selectRow', index }));
      row.appendChild(b);
      return row;
    }));
  }

  let bannerOpen = false;
  function renderBanner(banner) {
    const node = $('banner');
    node.hidden = !banner;
    if (!banner) return;
    place(node, banner.frame);
    node.dataset.loaded = banner.loaded ? 'true' : 'false';
    node.style.visibility = banner.loaded ? 'visible' : 'hidden';
  }

  function renderScreens(state) {
    const root = $('screens');
    root.replaceChildren();
    const nav = state.navigation;
    const top = nav && nav.stack && nav.stack[nav.stack.length - 1];
    const modal = state.modal && state.modal[state.modal.length - 1];
    const screen = modal || (top && top.kind !== 'MapViewController' && nav.stack.length > 1 ? top : null);
    if (!screen) return;
    const node = el('div', 'pushed-screen');
    place(node, screen.frame);
    node.appendChild(el('div', 'placeholder', screen.title || screen.kind));
    root.appendChild(node);
  }

  // ---- Drawing one state ----

  let lastAnimationCount = 0;
  function render(state) {
    page.state = state;
    page.version = state.version;
    const dev = state.device;
    const screen = $('screen');
    screen.style.width = dev.screen.width + 'px';
    screen.style.height = dev.screen.height + 'px';
    screen.className = dev.idiom + ' ' + (dev.landscape ? 'landscape' : 'portrait');

    // Frames that moved inside an animation block move over its recorded duration.
    const anim = state.animation || { count: 0, duration: 0 };
    const duration = anim.count !== lastAnimationCount ? anim.duration : 0;
    lastAnimationCount = anim.count;
    for (const id of ['map', 'toolbar', 'banner']) $(id).style.transitionDuration = duration + 's';

    $('activity').hidden = !state.networkActivityIndicatorVisible;
    renderNavigationBar(state.navigation);
    renderToolbar(state.navigation);
    const m = state.map;
    const mapNode = $('map');
    mapNode.hidden = !m;
    if (m) {
      place(mapNode, m.frame);
      applyMapType(m.type, false);
      const after = () => {
        applyView(state);
        renderOverlays(m.overlays || []);
        renderAnnotations(m.annotations || []);
      };
      if (duration > 0) setTimeout(after, duration * 1000); else after();
      followUserLocation(m.userLocation);
    }
    renderBanner(state.banner);
    renderSearch(state.views || []);
    renderScreens(state);
    renderPanels(state.panels || [], state);
    document.documentElement.lang = (dev.locale || 'en').split(/[-_]/)[0];
    document.body.dataset.version = String(state.version);
  }

  // ---- The device: viewport, orientation, language, position ----

  function orientationName() {
    const type = (screen.orientation && screen.orientation.type) || '';
    if (type === 'portrait-primary') return 'portrait';
    if (type === 'portrait-secondary') return 'portraitUpsideDown';
    if (type === 'landscape-primary') return 'landscapeLeft';
    if (type === 'landscape-secondary') return 'landscapeRight';
    return window.innerWidth > window.innerHeight ? 'landscapeLeft' : 'portrait';
  }

  let lastViewport = '';
  let viewportTimer = null;
  function reportViewport() {
    let orientation = orientationName();
    const landscape = window.innerWidth > window.innerHeight;
    // The window's shape wins over a stale orientation report.
    if (landscape && orientation.startsWith('portrait')) orientation = 'landscapeLeft';
    if (!landscape && orientation.startsWith('landscape')) orientation = 'portrait';
    const input = {
      type: 'viewportChanged',
      width: Math.max(1, Math.round(window.innerWidth)),
      height: Math.max(1, Math.round(window.innerHeight)),
      orientation,
      locale: (navigator.language || 'en-US').replace(/[^A-Za-z0-9_-]/g, '').slice(0, 35),
    };
    const key = JSON.stringify(input);
    if (key === lastViewport) return;
    lastViewport = key;
    send(input);
  }
  const viewportChanged = () => {
    clearTimeout(viewportTimer);
    viewportTimer = setTimeout(reportViewport, 80);
  };

  let watchId = null;
  function followUserLocation(user) {
    const wanted = !!(user && user.shown);
    if (wanted && watchId === null && navigator.geolocation) {
      watchId = navigator.geolocation.watchPosition(
        (pos) => send({
          type: 'locationUpdate',
          coordinate: { latitude: pos.coords.latitude, longitude: pos.coords.longitude },
          accuracy: Math.max(0, pos.coords.accuracy || 0),
        }),
        (err) => send({ type: 'locationFailed', message: String(err.message || 'Location unavailable').slice(0, 500) }),
        { enableHighAccuracy: true, maximumAge: 10000 });
    } else if (!wanted && watchId !== null) {
      navigator.geolocation.clearWatch(watchId);
      watchId = null;
    }
  }

  // ---- Start ----

  function wireControls() {
    $('nav-left').addEventListener('click', () => send({ type: 'tapNavigationButton', button: 'left' }));
    $('nav-right').addEventListener('click', () => send({ type: 'tapNavigationButton', button: 'right' }));
    $('nav-back').addEventListener('click', () => send({ type: 'tapNavigationButton', button: 'back' }));
    $('banner').addEventListener('click', () => {
      if (!page.state || !page.state.banner || !page.state.banner.loaded || bannerOpen) return;
      bannerOpen = true;
      send({ type: 'banner', event: 'tapped' });
      const cover = el('div', 'dim');
      cover.style.pointerEvents = 'auto';
      cover.style.zIndex = 60;
      const close = el('button', null, 'Close');
      close.type = 'button';
      close.style.cssText = 'position:absolute;right:12px;top:28px;font-size:16px';
      close.addEventListener('click', () => {
        cover.remove();
        bannerOpen = false;
        send({ type: 'banner', event: 'finished' });
      });
      cover.appendChild(close);
      $('screen').appendChild(cover);
    });
    $('panels').addEventListener('click', (e) => {
      // Tapping outside a tablet's popover cancels it, as on the device.
      if (!e.target.classList.contains('dim') || !page.state) return;
      const sheet = (page.state.panels || []).slice().reverse().find((p) => p.kind !== 'alert');
      if (sheet && page.state.device.idiom === 'tablet' && sheet.cancelButtonIndex >= 0) {
        send({ type: 'pressSheetButton', id: sheet.id, index: sheet.cancelButtonIndex });
      }
    });
    window.addEventListener('resize', viewportChanged);
    if (screen.orientation) screen.orientation.addEventListener('change', viewportChanged);
  }

  function connect() {
    const events = new EventSource('/api/events');
    events.addEventListener('state', (e) => {
      $('connection').hidden = true;
      const t0 = performance.now();
      const state = JSON.parse(e.data);
      if (state.version <= page.version) return;
      const t1 = performance.now();
      render(state);
      const t2 = performance.now();
      page.lastRender = { version: state.version, bytes: e.data.length, parseMs: t1 - t0, drawMs: t2 - t1,
        receivedAt: Date.now() - (t2 - t0) };
    });
    // A big state is only announced; fetch it, one request at a time, always the newest.
    let fetching = false;
    let wanted = 0;
    const fetchState = async () => {
      if (fetching) return;
      fetching = true;
      try {
        while (wanted > page.version) {
          const t0 = performance.now();
          const res = await fetch('/api/state', { credentials: 'same-origin' });
          const state = await res.json();
          const t1 = performance.now();
          if (state.version > page.version) {
            render(state);
            page.lastRender = { version: state.version, parseMs: t1 - t0, drawMs: performance.now() - t1,
              receivedAt: Date.now() - (performance.now() - t0), fetched: true };
          } else if (state.version < wanted) {
            break;
          }
        }
      } finally {
        fetching = false;
      }
    };
    events.addEventListener('version', (e) => {
      $('connection').hidden = true;
      const v = JSON.parse(e.data).version;
      if (v > wanted) wanted = v;
      fetchState();
    });
    events.onerror = () => {
      const c = $('connection');
      c.textContent = 'Connection to Tessaly lost; retrying…';
      c.hidden = false;
    };
  }

  async function start() {
    try {
      page.config = await (await fetch('/api/config')).json();
    } catch (e) {
      page.config = {};
    }
    setupMap();
    wireControls();
    reportViewport();
    connect();
  }

  start();
})();

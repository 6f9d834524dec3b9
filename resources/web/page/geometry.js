// Pure geometry of the page: the map's projection, world copies, where a popover or a callout
// goes. No DOM here, so that every rule is tested on its own.

export const WORLD = 268435456;  // map points across the world
export const TILE = 256;

export const latForY = (y) => (Math.atan(Math.sinh(Math.PI * (1 - (2 * y) / WORLD))) * 180) / Math.PI;
export const lonForX = (x) => (x / WORLD) * 360 - 180;
export const yForLat = (lat) => {
  const s = Math.sin((Math.max(-85.0511287798, Math.min(85.0511287798, lat)) * Math.PI) / 180);
  return (0.5 - Math.log((1 + s) / (1 - s)) / (4 * Math.PI)) * WORLD;
};

// A longitude brought onto -180..180 (180 stays 180).
export function wrapLongitude(lon) {
  let l = ((((lon + 180) % 360) + 360) % 360) - 180;
  if (l === -180 && lon > 0) l = 180;
  return l;
}

// The copy of a longitude nearest a reference longitude (the map's centre), so that a pin is
// drawn on the world the person looks at.
export function nearestCopy(lon, reference) {
  return lon + Math.round((reference - lon) / 360) * 360;
}

// A path's longitudes made continuous (no step over 180 degrees), then moved as a whole to the
// copy of the world nearest the reference: a path across 180 degrees is drawn where it was
// pressed, not once around the world.
export function continuousPath(points, reference = 0) {
  if (!points.length) return [];
  const out = [];
  let previous = points[0][1];
  for (const [lat, lon] of points) {
    const l = nearestCopy(lon, previous);
    out.push([lat, l]);
    previous = l;
  }
  const shift = nearestCopy(out[0][1], reference) - out[0][1];
  return shift ? out.map(([lat, lon]) => [lat, lon + shift]) : out;
}

// The centre and the fractional zoom that show a map rectangle exactly in a view of a width.
export function viewForMapRect(rect, frameWidth) {
  return {
    center: [latForY(rect.y + rect.height / 2), lonForX(rect.x + rect.width / 2)],
    zoom: Math.log2((frameWidth * WORLD) / (rect.width * TILE)),
  };
}

// The latitude span, centred on a latitude, whose map rectangle is a height in map points tall:
// the application measures a region's height from its centre latitude up and down by half the
// span, so a region sent in this form comes back as the very rectangle the view shows.
export function latitudeSpanForHeight(lat, height) {
  const heightOf = (span) => yForLat(lat - span / 2) - yForLat(lat + span / 2);
  if (heightOf(180) <= height) return 180;
  let lo = 0;
  let hi = 180;
  for (let i = 0; i < 100 && hi - lo > 1e-13; i++) {
    const mid = (lo + hi) / 2;
    if (heightOf(mid) < height) lo = mid;
    else hi = mid;
  }
  return (lo + hi) / 2;
}

// The region (centre and spans in degrees) a view shows at a centre and zoom.
export function regionForView(center, zoom, size) {
  const worldPx = TILE * Math.pow(2, zoom);
  const latitude = Math.max(-85.05, Math.min(85.05, center.lat));
  return {
    center: { latitude, longitude: wrapLongitude(center.lng) },
    span: {
      latitudeDelta: Math.max(1e-9, latitudeSpanForHeight(latitude, (size.y / worldPx) * WORLD)),
      longitudeDelta: Math.min(360, Math.max(1e-9, (360 * size.x) / worldPx)),
    },
  };
}

// Whether two map rectangles show the same view to well under a point in a view of a width.
export function sameMapRect(a, b, frameWidth) {
  if (!a || !b) return false;
  const tolerance = (a.width / Math.max(1, frameWidth)) * 0.05;
  return ['x', 'y', 'width', 'height'].every((k) => Math.abs(a[k] - b[k]) <= tolerance);
}

// How far to move the map so that a box (a callout) shows whole inside the view, with a margin:
// {dx, dy} in view pixels, the amount the content moves (0, 0 when it shows already).
export function panToShow(box, view, margin = 8) {
  const axis = (start, size, viewStart, viewSize) => {
    const low = viewStart + margin;
    const high = viewStart + viewSize - margin;
    if (size > high - low) return low - start;  // too big: show its start
    if (start < low) return low - start;
    if (start + size > high) return high - (start + size);
    return 0;
  };
  return { dx: axis(box.x, box.width, view.x, view.width), dy: axis(box.y, box.height, view.y, view.height) };
}

// Where a tablet's popover goes: above its anchor (a toolbar item at the bottom), or below an
// anchor in the top half, kept inside the screen; the arrow's x is relative to the box.
export function popoverPlacement(anchor, size, screen, margin = 8) {
  const below = anchor.y + anchor.height / 2 < screen.height / 2;
  const centreX = anchor.x + anchor.width / 2;
  const x = Math.max(margin, Math.min(screen.width - size.width - margin, centreX - size.width / 2));
  const y = below ? anchor.y + anchor.height + margin
    : Math.max(margin, anchor.y - margin - size.height);
  return { x, y, below, arrowX: centreX - x };
}

// A frame relative to an origin, for absolute placement inside a parent drawn at that origin.
export function relativeFrame(frame, origin) {
  return { x: frame.x - origin.x, y: frame.y - origin.y, width: frame.width, height: frame.height };
}

// A touch target grown to at least the least size around its own centre.
export function touchTarget(frame, least = 44) {
  const width = Math.max(least, frame.width);
  const height = Math.max(least, frame.height);
  return { x: frame.x - (width - frame.width) / 2, y: frame.y - (height - frame.height) / 2, width, height };
}

// The font size at which a text of a width (measured at a size) fits a box, never below least.
export function fittingFontSize(textWidth, size, boxWidth, least = 8) {
  if (textWidth <= boxWidth || textWidth <= 0) return size;
  return Math.max(least, Math.floor(((size * boxWidth) / textWidth) * 2) / 2);
}

// How the device's screen is drawn in the part of the window left to it. A screen that stays
// upright while the device is turned (on a phone, the screens other than the map) is drawn a
// quarter turn round, as the turned device shows it: whole, instead of cut off at the window's
// edge. Landscape left has the device's top at the left, so the screen turns back by -90
// degrees; landscape right by 90. Returns the angle and the size the drawn screen takes.
export function screenTurn(screen, area, orientation) {
  const upright = { angle: 0, width: screen.width, height: screen.height };
  if (!screen.width || !screen.height || screen.width === screen.height) return upright;
  if ((area.width > area.height) === (screen.width > screen.height)) return upright;
  const angle = orientation === 'landscapeRight' || orientation === 'portraitUpsideDown' ? 90 : -90;
  return { angle, width: screen.height, height: screen.width };
}

// The CSS transform that draws a screen of that size turned by that angle into the box at the
// window's top left (turned about its own top left corner, then moved back into view).
export function turnTransform(turn, screen) {
  if (turn.angle === -90) return `translateY(${screen.width}px) rotate(-90deg)`;
  if (turn.angle === 90) return `translateX(${screen.height}px) rotate(90deg)`;
  return '';
}

// The device the browser is: its viewport, orientation and language go to the application,
// and its position while the map shows the user's. The device's screen is the window less the
// host's tools strip.
import { screenArea } from './tools.js';

function orientationName() {
  const type = (screen.orientation && screen.orientation.type) || '';
  const landscape = window.innerWidth > window.innerHeight;
  let name = { 'portrait-primary': 'portrait', 'portrait-secondary': 'portraitUpsideDown',
    'landscape-primary': 'landscapeLeft', 'landscape-secondary': 'landscapeRight' }[type];
  if (!name) name = landscape ? 'landscapeLeft' : 'portrait';
  // The window's shape wins over a stale orientation report.
  if (landscape && name.startsWith('portrait')) name = 'landscapeLeft';
  if (!landscape && name.startsWith('landscape')) name = 'portrait';
  return name;
}

function pointerKind() {
  if (typeof matchMedia !== 'function') return 'coarse';
  return matchMedia('(pointer: fine)').matches && !matchMedia('(any-pointer: coarse)').matches
    ? 'fine' : 'coarse';
}

export function viewportInput() {
  const area = screenArea(Math.round(window.innerWidth), Math.round(window.innerHeight));
  return {
    type: 'viewportChanged',
    width: area.width,
    height: area.height,
    orientation: orientationName(),
    locale: (navigator.language || 'en-US').replace(/[^A-Za-z0-9_-]/g, '').slice(0, 35),
    // A mouse and no touch screen: a desktop's window, a tablet-class device from a smaller size.
    pointer: pointerKind(),
  };
}

export function watchViewport(send) {
  let last = '';
  let timer = null;
  const report = () => {
    const input = viewportInput();
    const key = JSON.stringify(input);
    if (key === last) return;
    last = key;
    send(input);
  };
  const changed = () => {
    clearTimeout(timer);
    timer = setTimeout(report, 80);
  };
  window.addEventListener('resize', changed);
  if (screen.orientation) screen.orientation.addEventListener('change', changed);
  report();
}

// A browser reports a passing "position unavailable" now and then (when a frame is added to the
// page, for one) and the next position follows at once: only a refusal, or a failure that no
// position follows within this time, reaches the application.
export const LOCATION_FAILURE_GRACE_MS = 3000;

let watchId = null;
let failureTimer = null;
export function followUserLocation(wanted, send) {
  if (wanted && watchId === null && navigator.geolocation) {
    const failed = (err) => send({ type: 'locationFailed',
      message: String(err.message || 'Location unavailable').slice(0, 500) });
    watchId = navigator.geolocation.watchPosition(
      (pos) => {
        clearTimeout(failureTimer);
        failureTimer = null;
        send({
          type: 'locationUpdate',
          coordinate: { latitude: pos.coords.latitude, longitude: pos.coords.longitude },
          accuracy: Math.max(0, pos.coords.accuracy || 0),
        });
      },
      (err) => {
        if (err.code === 1) { failed(err); return; }  // permission denied
        if (failureTimer === null) {
          failureTimer = setTimeout(() => { failureTimer = null; failed(err); }, LOCATION_FAILURE_GRACE_MS);
        }
      },
      { enableHighAccuracy: true, maximumAge: 10000 });
  } else if (!wanted && watchId !== null) {
    navigator.geolocation.clearWatch(watchId);
    watchId = null;
    clearTimeout(failureTimer);
    failureTimer = null;
  }
}

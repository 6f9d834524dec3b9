// The encoder side of the encoded polyline format, for the directions services the tests write.
export function encodePolyline(points) {
  let out = '';
  let last = [0, 0];
  const value = (v) => {
    let n = v < 0 ? ~(v << 1) : v << 1;
    while (n >= 0x20) { out += String.fromCharCode((0x20 | (n & 0x1f)) + 63); n >>= 5; }
    out += String.fromCharCode(n + 63);
  };
  for (const [lat, lng] of points) {
    const a = Math.round(lat * 1e5); const b = Math.round(lng * 1e5);
    value(a - last[0]); value(b - last[1]);
    last = [a, b];
  }
  return out;
}

// The browser's position feeds the map; its callout's disclosure button adds it to the path.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { startProgram, launchBrowser, waitForState, settingsPlist } from './harness.mjs';

test("the user's position comes from the browser and joins the path from its callout", async () => {
  const server = await startProgram(['--device', 'phone'], { settings: settingsPlist({ currentLocation: 1 }) });
  const browser = await launchBrowser();
  try {
    const context = await browser.newContext({ viewport: { width: 390, height: 700 },
      geolocation: { latitude: 48.1371, longitude: 11.5754, accuracy: 30 }, permissions: ['geolocation'] });
    const page = await context.newPage();
    await page.goto(server.url);
    let s = await waitForState(page, (st) => st.map && st.map.userLocation.location !== null &&
      st.map.annotations.some((a) => a.kind === 'userLocation'), 'the position');
    assert.ok(Math.abs(s.map.userLocation.location.coordinate.latitude - 48.1371) < 1e-6);
    const user = s.map.annotations.find((a) => a.kind === 'userLocation');
    await page.locator(`[data-annotation="${user.id}"]`).click();
    s = await waitForState(page, (st) => st.map.annotations.some((a) => a.kind === 'userLocation' && a.selected &&
      a.accessory), 'its callout');
    assert.equal(s.map.annotations.find((a) => a.kind === 'userLocation').subtitle, 'Tap disclosure to add to path');
    await page.locator('.leaflet-popup .disclosure').click();
    s = await waitForState(page, (st) => st.map.annotations.some((a) => a.kind !== 'userLocation'), 'the new marker');
    const marker = s.map.annotations.find((a) => a.kind !== 'userLocation');
    assert.equal(marker.pinColor, 'green');
    assert.ok(Math.abs(marker.coordinate.latitude - 48.1371) < 1e-6);
    assert.equal(s.map.annotations.find((a) => a.kind === 'userLocation').selected, false, 'the callout closes');
  } finally {
    await browser.close();
    await server.stop();
  }
});

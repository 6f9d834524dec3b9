// The browser's position feeds the map; its callout's disclosure button adds it to the path.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { startProgram, launchBrowser, waitForState, settingsPlist, pins, userSpot, mapOf } from './harness.mjs';

test("the user's position comes from the browser and joins the path from its callout", async () => {
  const server = await startProgram(['--device', 'phone'], { settings: settingsPlist({ currentLocation: 1 }) });
  const browser = await launchBrowser();
  try {
    const context = await browser.newContext({ viewport: { width: 390, height: 700 },
      geolocation: { latitude: 48.1371, longitude: 11.5754, accuracy: 30 }, permissions: ['geolocation'] });
    const page = await context.newPage();
    await page.goto(server.url);
    let s = await waitForState(page, (st) => userSpot(st) && mapOf(st).userLocation, 'the position');
    const user = userSpot(s);
    assert.ok(Math.abs(mapOf(s).userLocation.coordinate.latitude - 48.1371) < 1e-6);
    await page.locator(`[data-annotation="${user.id}"]`).click();
    s = await waitForState(page, (st) => userSpot(st).selected && userSpot(st).accessory, 'its callout');
    assert.equal(userSpot(s).subtitle, 'Tap disclosure to add to path');
    await page.locator('.leaflet-popup .disclosure').click();
    s = await waitForState(page, (st) => pins(st).length > 0, 'the new marker');
    const [marker] = pins(s);
    assert.equal(marker.pinColor, 'green');
    assert.ok(Math.abs(marker.coordinate.latitude - 48.1371) < 1e-6);
    assert.equal(userSpot(s).selected, false, 'the callout closes');
  } finally {
    await browser.close();
    await server.stop();
  }
});

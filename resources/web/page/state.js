// What the page knows: the last state drawn, the configuration, and figures for tests and the
// benchmark. `window.tessaly` shows it to tests.

export const page = {
  config: {},
  state: null,
  screen: null,
  version: 0,
  lastError: null,
  inputsSent: 0,
  patchesApplied: 0,
  longPressAt: null,
  lastRender: null,
  connected: false,
};

if (typeof window !== 'undefined') window.tessaly = page;

export function device() {
  return (page.state && page.state.device) || { idiom: 'phone', screen: { width: 0, height: 0 } };
}

export const isTablet = () => device().idiom === 'tablet';

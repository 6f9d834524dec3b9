// The page: draws the screen the application describes, at the frames its layout decided, and
// reports what the person touched. It decides nothing itself and knows no application screen.
import './kinds.js';
import { page } from './state.js';
import { connect, send } from './connection.js';
import { drawTree } from './draw.js';
import { watchViewport } from './device.js';
import { drawTools } from './tools.js';
import { noticeFromState } from './notice.js';
import { screenTurn, turnTransform } from './geometry.js';
import { screenArea } from './tools.js';

const screenNode = document.getElementById('screen');

function draw(state) {
  page.state = state;
  page.screen = state.screen || null;
  page.version = state.version;
  const dev = state.device || {};
  let drawn = null;
  if (dev.screen) {
    screenNode.style.width = dev.screen.width + 'px';
    screenNode.style.height = dev.screen.height + 'px';
    // A screen that stays upright in a turned window is drawn turned with the device.
    const turn = screenTurn(dev.screen, screenArea(window.innerWidth, window.innerHeight), dev.orientation);
    screenNode.style.transformOrigin = '0 0';
    screenNode.style.transform = turnTransform(turn, dev.screen);
    screenNode.dataset.turn = String(turn.angle);
    drawn = { width: turn.width, height: turn.height };
  }
  screenNode.className = (dev.idiom || 'phone') + ' ' + (dev.landscape ? 'landscape' : 'portrait');
  if (state.screen) drawTree(state.screen, screenNode, { send });
  drawTools(state, send, drawn);
  document.documentElement.lang = (dev.locale || 'en').split(/[-_]/)[0];
  document.body.dataset.version = String(state.version);
  noticeFromState(state.session);
}

async function start() {
  try {
    page.config = await (await fetch('/api/config')).json();
  } catch (e) {
    page.config = {};
  }
  watchViewport(send);
  connect(draw);
}

start();

// The advertising banner: shown once loaded; a tap starts its action, which covers the screen
// until closed.
import { el, button } from './dom.js';

export const banner = {
  create(data, ctx) {
    const node = el('div', 'banner', 'Advertisement');
    node.setAttribute('role', 'button');
    node.addEventListener('click', () => {
      if (node.dataset.loaded !== 'true' || node.dataset.busy === 'true' || ctx.memo.cover) return;
      ctx.send({ type: 'banner', event: 'tapped' });
      const cover = el('div', 'banner-action');
      cover.appendChild(button('banner-close', 'Close', () => {
        cover.remove();
        ctx.memo.cover = null;
        ctx.send({ type: 'banner', event: 'finished' });
      }));
      ctx.memo.cover = cover;
      (document.getElementById('screen') || document.body).appendChild(cover);
    });
    return node;
  },
  update(node, data) {
    node.dataset.loaded = String(!!data.loaded);
    node.dataset.busy = String(!!data.actionInProgress);
    node.style.visibility = data.loaded ? '' : 'hidden';
  },
};

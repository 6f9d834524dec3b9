// Chooses the page: the page drawn from the screen tree (modules) with ?page=modules, the
// older map page otherwise, until the host describes every screen.
'use strict';
(function () {
  const modules = /(^|[?&])page=modules(&|$)/.test(location.search.slice(1));
  const add = (tag, attributes) => {
    const node = document.createElement(tag);
    Object.assign(node, attributes);
    (tag === 'link' ? document.head : document.body).appendChild(node);
  };
  if (modules) {
    document.getElementById('screen').replaceChildren();
    add('link', { rel: 'stylesheet', href: '/page/page.css' });
    add('script', { type: 'module', src: '/page/main.js' });
  } else {
    add('script', { src: '/app.js', async: false });
  }
})();

// Pure rewriting of a web view's HTML: every link leaves through the page, never inside the
// frame. A link becomes a target-_blank link to the page's own link opener, which tells the
// application (tapLink) and then goes on to the link; in-page anchors stay as they are.

export function resolveLink(href, baseURL) {
  if (!href) return null;
  if (href.startsWith('#')) return null;
  try {
    const url = new URL(href, baseURL || undefined);
    if (!['http:', 'https:', 'mailto:', 'tel:', 'sms:'].includes(url.protocol)) return null;
    return url.href;
  } catch (e) {
    return null;
  }
}

export function openerHref(viewId, url) {
  return `/page/link.html#${new URLSearchParams({ id: String(viewId), url })}`;
}

export function parseOpenerHash(hash) {
  const params = new URLSearchParams(String(hash || '').replace(/^#/, ''));
  const id = Number(params.get('id'));
  const url = params.get('url');
  if (!Number.isInteger(id) || id <= 0 || !url) return null;
  return { id, url };
}

// Rewrites the links of a parsed document (DOMParser's, inert: nothing in it runs) and gives
// back its HTML for the frame.
export function rewriteLinks(doc, viewId, baseURL) {
  for (const a of doc.querySelectorAll('a[href]')) {
    const href = a.getAttribute('href');
    if (href.startsWith('#')) continue;
    const url = resolveLink(href, baseURL);
    if (!url) {
      a.removeAttribute('href');
      continue;
    }
    a.setAttribute('href', openerHref(viewId, url));
    a.setAttribute('target', '_blank');
    a.setAttribute('rel', 'noopener');
  }
  for (const form of doc.querySelectorAll('form')) form.removeAttribute('action');
  return '<!doctype html>' + doc.documentElement.outerHTML;
}

// Table views: sections with their header and footer texts, rows laid out by the page one
// under the other (a cell's own frames are in its own coordinates), a tap on a row, deleting a
// row by a swipe or in editing mode.
import { el, button, setText, syncChildren } from './dom.js';
import { drawNode } from './draw.js';
import { imageUrl } from './icons.js';

const ORIGIN = { x: 0, y: 0 };
const ACCESSORY = { disclosureIndicator: '\u203a', checkmark: '\u2713', detailDisclosureButton: '\u203a' };

export const tableView = {
  create: () => el('div', 'table-view'),
  update(node, data, ctx) {
    node.classList.toggle('grouped', data.style === 'grouped');
    node.classList.toggle('editing', !!data.editing);
    const sections = ctx.memo.sections || (ctx.memo.sections = []);
    const elements = (data.sections || []).map((section, s) => {
      let parts = sections[s];
      if (!parts) {
        parts = sections[s] = { node: el('section', 'table-section'), header: el('h3', 'section-header'),
          rows: el('div', 'section-rows'), footer: el('p', 'section-footer') };
        parts.node.append(parts.header, parts.rows, parts.footer);
      }
      setText(parts.header, section.header);
      parts.header.hidden = section.header === null || section.header === undefined || section.header === '';
      setText(parts.footer, section.footer);
      parts.footer.hidden = section.footer === null || section.footer === undefined || section.footer === '';
      const cells = (section.cells || []).map((cell, row) => drawNode(cell, {
        ...ctx, index: s * 100000 + row, origin: ORIGIN,
        row: { table: data.id, section: s, row, editing: !!data.editing, height: data.rowHeight || 44 },
      }));
      syncChildren(parts.rows, cells);
      return parts.node;
    });
    sections.length = elements.length;
    syncChildren(node, elements);
  },
};

function rowInput(node, type) {
  return { type, id: Number(node.dataset.table), section: Number(node.dataset.section), row: Number(node.dataset.row) };
}

function setupSwipe(node, memo) {
  let start = null;
  node.addEventListener('pointerdown', (e) => { start = { x: e.clientX, y: e.clientY }; });
  node.addEventListener('pointermove', (e) => {
    if (!start || node.dataset.editable !== 'true') return;
    const dx = e.clientX - start.x;
    if (Math.abs(dx) > 30 && Math.abs(dx) > 2 * Math.abs(e.clientY - start.y)) {
      memo.revealed = dx < 0;
      node.classList.toggle('reveal-delete', memo.revealed);
      memo.swiped = true;
      start = null;
    }
  });
  node.addEventListener('pointerup', () => { start = null; });
}

export const tableViewCell = {
  place: false,
  create(data, ctx) {
    const node = el('div', 'table-cell');
    const memo = ctx.memo;
    const minus = button('delete-control', '\u2212', (e) => {
      e.stopPropagation();
      memo.revealed = !memo.revealed;
      node.classList.toggle('reveal-delete', memo.revealed);
    });
    minus.setAttribute('aria-label', 'Delete\u2026');
    const remove = button('delete-button', 'Delete', (e) => {
      e.stopPropagation();
      memo.revealed = false;
      node.classList.remove('reveal-delete');
      ctx.send(rowInput(node, 'deleteRow'));
    });
    const content = el('div', 'cell-content');
    content.append(el('div', 'cell-image'), el('div', 'cell-texts'), el('div', 'cell-accessory'));
    content.children[1].append(el('div', 'cell-text'), el('div', 'cell-detail'));
    memo.own = el('div', 'cell-views');
    node.append(minus, content, memo.own, remove);
    node.addEventListener('click', () => {
      if (memo.swiped) { memo.swiped = false; return; }
      if (memo.revealed) {
        memo.revealed = false;
        node.classList.remove('reveal-delete');
        return;
      }
      ctx.send(rowInput(node, 'selectRow'));
    });
    setupSwipe(node, memo);
    return node;
  },
  update(node, data, ctx) {
    const row = ctx.row || { table: 0, section: 0, row: 0, editing: false, height: 44 };
    node.dataset.table = String(row.table);
    node.dataset.section = String(row.section);
    node.dataset.row = String(row.row);
    node.dataset.editable = String(!!data.editable);
    node.dataset.style = data.style || 'default';
    node.style.height = ((data.frame && data.frame.height) || row.height) + 'px';
    node.classList.toggle('selected', !!data.selected && data.selectionStyle !== 'none');
    node.classList.toggle('can-delete', row.editing && !!data.editable);
    if (!data.editable || (!row.editing && !ctx.memo.swiped && ctx.fresh)) ctx.memo.revealed = false;
    node.classList.toggle('reveal-delete', !!ctx.memo.revealed && !!data.editable);
    const [image, texts, accessory] = node.children[1].children;
    const url = imageUrl(data.image);
    image.hidden = !url;
    image.style.backgroundImage = url ? `url("${url}")` : '';
    setText(texts.children[0], data.text);
    setText(texts.children[1], data.detail);
    texts.children[1].hidden = data.detail === null || data.detail === undefined;
    accessory.dataset.accessory = data.accessory || 'none';
    setText(accessory, ACCESSORY[data.accessory] || '');
    const views = (data.children || []).map((child, index) => drawNode(child, { ...ctx, row: undefined, index, origin: ORIGIN }));
    if (data.accessoryView) {
      views.push(drawNode(data.accessoryView, { ...ctx, row: undefined, index: views.length, origin: ORIGIN }));
    }
    syncChildren(ctx.memo.own, views);
  },
};

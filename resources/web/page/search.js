// The search bar: the text as it stands goes out with each change, the Search key submits, the
// Cancel button cancels. Its results are a table view of their own in the tree.
import { el, button } from './dom.js';
import { textInput, updateTextInput } from './controls.js';

export const searchBar = {
  create(data, ctx) {
    const node = el('form', 'search-bar');
    node.setAttribute('role', 'search');
    const id = () => Number(node.dataset.id);
    const input = textInput(ctx, id, 'search-field');
    input.type = 'search';
    input.setAttribute('aria-label', 'Search');
    // Enter in the field submits the form: one submit, not two.
    input.addEventListener('keydown', (e) => { if (e.key === 'Enter') e.stopImmediatePropagation(); }, true);
    node.addEventListener('submit', (e) => {
      e.preventDefault();
      ctx.send({ type: 'submit', id: id() });
    });
    const cancel = button('search-cancel', 'Cancel', () => ctx.send({ type: 'cancel', id: id() }));
    node.append(input, cancel);
    ctx.memo.input = input;
    ctx.memo.cancel = cancel;
    return node;
  },
  update(node, data, ctx) {
    updateTextInput(ctx.memo.input, { ...data, secure: undefined });
    ctx.memo.cancel.hidden = !data.showsCancelButton;
    node.classList.toggle('active', !!data.displayActive);
  },
};

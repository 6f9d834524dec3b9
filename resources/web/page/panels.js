// Alerts and action sheets over the screen. A phone's sheet rises from the bottom; a tablet's
// sheet with an anchor is a popover pointing at its bar item, and a tap outside it cancels.
import { el, button, setText, syncChildren } from './dom.js';
import { elementForId } from './draw.js';
import { popoverPlacement } from './geometry.js';
import { textInput, updateTextInput } from './controls.js';

function buttonsKey(data) {
  return JSON.stringify([data.buttons, data.cancelButtonIndex, data.destructiveButtonIndex]);
}

export const alert = {
  place: false,
  background: false,
  create(data, ctx) {
    const node = el('div', 'panel');
    const box = el('div', 'alert');
    box.setAttribute('role', 'alertdialog');
    box.setAttribute('aria-modal', 'true');
    box.append(el('h2', 'title'), el('p', 'message'), el('div', 'field'), el('div', 'buttons'));
    node.append(el('div', 'dim'), box);
    ctx.memo.box = box;
    return node;
  },
  update(node, data, ctx) {
    const box = ctx.memo.box;
    const [title, message, field, buttons] = box.children;
    setText(title, data.title);
    title.hidden = !data.title;
    setText(message, data.message);
    message.hidden = !data.message;
    // One input a field (a login alert has two), each typing into its own field by id.
    const fields = data.textFields || [];
    const inputs = (ctx.memo.inputs ||= []);
    while (inputs.length < fields.length) {
      const input = textInput(ctx, () => Number(input.dataset.id), 'alert-field');
      inputs.push(input);
      field.appendChild(input);
    }
    while (inputs.length > fields.length) inputs.pop().remove();
    fields.forEach((tf, i) => {
      inputs[i].dataset.id = String(tf.id);
      updateTextInput(inputs[i], { ...tf, focused: tf.focused || (ctx.fresh && i === 0) });
    });
    field.hidden = fields.length === 0;
    const key = buttonsKey(data);
    if (ctx.memo.buttons === key) return;
    ctx.memo.buttons = key;
    buttons.classList.toggle('stacked', (data.buttons || []).length > 2);
    syncChildren(buttons, (data.buttons || []).map((text, index) => {
      const b = button(index === data.cancelButtonIndex ? 'cancel' : '', text, () => {
        const input = { type: 'pressAlertButton', id: Number(node.dataset.id), index };
        // The first field's text goes with the press, so a name typed just now is not lost.
        if (ctx.memo.inputs && ctx.memo.inputs.length) input.text = ctx.memo.inputs[0].value;
        ctx.send(input);
      });
      return b;
    }));
  },
};

export const actionSheet = {
  place: false,
  background: false,
  create(data, ctx) {
    const node = el('div', 'panel');
    const dim = el('div', 'dim');
    const box = el('div', 'sheet');
    box.setAttribute('role', 'dialog');
    box.append(el('div', 'group'), el('div', 'group cancel-group'));
    box.addEventListener('click', (e) => e.stopPropagation());
    // Outside a popover the tap cancels, as on the device.
    dim.addEventListener('click', () => {
      if (box.classList.contains('popover')) ctx.send({ type: 'cancel', id: Number(node.dataset.id) });
    });
    node.append(dim, box);
    ctx.memo.box = box;
    return node;
  },
  update(node, data, ctx) {
    const box = ctx.memo.box;
    const [group, cancelGroup] = box.children;
    const key = buttonsKey(data) + JSON.stringify(data.title);
    if (ctx.memo.buttons !== key) {
      ctx.memo.buttons = key;
      const main = data.title ? [el('div', 'title', data.title)] : [];
      const cancel = [];
      (data.buttons || []).forEach((text, index) => {
        let cls = '';
        if (index === data.cancelButtonIndex) cls = 'cancel';
        else if (index === data.destructiveButtonIndex) cls = 'destructive';
        const b = button(cls, text, () => ctx.send({ type: 'pressSheetButton', id: Number(node.dataset.id), index }));
        (index === data.cancelButtonIndex ? cancel : main).push(b);
      });
      syncChildren(group, main);
      syncChildren(cancelGroup, cancel);
      cancelGroup.hidden = !cancel.length;
    }
    ctx.after(() => placeSheet(node, box, data));
  },
};

function placeSheet(node, box, data) {
  {
    const anchor = data.anchor !== null && data.anchor !== undefined ? elementForId(data.anchor) : null;
    box.classList.toggle('popover', !!anchor);
    if (!anchor) {
      box.style.left = box.style.top = box.style.bottom = box.style.width = '';
      return;
    }
    // Placed once it has its size; the window's top left is the screen's.
    const screenBox = node.parentElement ? node.parentElement.getBoundingClientRect() : { left: 0, top: 0, width: 0, height: 0 };
    const r = anchor.getBoundingClientRect();
    const size = { width: 280, height: box.getBoundingClientRect().height || 200 };
    const spot = popoverPlacement({ x: r.left - screenBox.left, y: r.top - screenBox.top, width: r.width, height: r.height },
      size, { width: screenBox.width, height: screenBox.height });
    box.style.width = size.width + 'px';
    box.style.left = spot.x + 'px';
    box.style.top = spot.y + 'px';
    box.style.bottom = 'auto';
    box.style.setProperty('--arrow-x', spot.arrowX + 'px');
    box.classList.toggle('below', spot.below);
  }
}

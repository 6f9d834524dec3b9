// Plain views and controls: drawn at their frames, touched by id.
import { el, button, setText } from './dom.js';
import { drawChildren } from './draw.js';
import { buttonFace } from './icons.js';
import { fittingFontSize } from './geometry.js';
import { imageUrl } from './icons.js';

export const view = {
  create: () => el('div', 'view'),
  update: (node, data, ctx) => drawChildren(node, data, ctx),
};

// A long text shrinks to fit its label rather than being cut off (a total in a narrow label).
// True when the label was laid out and measured.
export function shrinkToFit(node, size) {
  node.style.fontSize = size + 'px';
  if (!node.isConnected || node.hidden) return false;
  const range = document.createRange();
  range.selectNodeContents(node);
  const textWidth = range.getBoundingClientRect().width;
  const box = node.getBoundingClientRect().width;
  const fitted = fittingFontSize(textWidth, size, box - 1);
  if (fitted !== size) node.style.fontSize = fitted + 'px';
  return box > 0;
}

// A canvas's measure of a text may differ from the page's by a fraction of a pixel.
const kSureFit = 8;
let measurer = null;
const fontFamilies = new Map();
// The width of a label's widest line in its font at size, without laying the page out; null
// when it cannot be told.
function textWidthOf(node, text, size) {
  if (measurer === null) measurer = document.createElement('canvas').getContext('2d') || false;
  if (!measurer) return null;
  let family = fontFamilies.get(node.className);
  if (family === undefined) {
    family = getComputedStyle(node).fontFamily;
    fontFamilies.set(node.className, family);
  }
  measurer.font = `${node.style.fontWeight || 'normal'} ${size}px ${family}`;
  let widest = 0;
  for (const line of String(text ?? '').split('\n')) widest = Math.max(widest, measurer.measureText(line).width);
  return widest;
}

// Measuring forces a layout of the whole page, on every draw: a label placed at a frame whose
// text, font and width are as when it was last measured on screen keeps the size found then.
// A text clearly inside its frame, as a canvas measures it in the label's font, keeps its size
// without a measurement at all.
function fitLabel(node, size, data, memo) {
  const key = data.frame ? [size, node.style.fontWeight, data.frame.width, data.text].join('|') : null;
  if (key !== null && memo.fitKey === key && node.isConnected && !node.hidden) {
    node.style.fontSize = memo.fitSize;
    return;
  }
  if (data.frame && node.isConnected && !node.hidden) {
    const width = textWidthOf(node, data.text, size);
    if (width !== null && width < data.frame.width - kSureFit) {
      memo.fitKey = key;
      memo.fitSize = node.style.fontSize;
      return;
    }
  }
  memo.fitKey = shrinkToFit(node, size) ? key : null;
  memo.fitSize = node.style.fontSize;
}

export const label = {
  create: () => el('div', 'label'),
  update(node, data, ctx) {
    setText(node, data.text);
    const size = data.font ? data.font.size : 17;
    node.style.fontWeight = data.font && data.font.bold ? 'bold' : '';
    node.style.color = data.color || '';
    node.style.textAlign = data.alignment || 'left';
    node.style.lineHeight = data.frame ? data.frame.height + 'px' : '';
    node.style.fontSize = size + 'px';
    ctx.after(() => fitLabel(node, size, data, ctx.memo));
  },
};

export const imageView = {
  create: () => el('div', 'image-view'),
  update(node, data) {
    const url = imageUrl(data.image);
    node.style.backgroundImage = url ? `url("${url}")` : '';
  },
};

export const buttonKind = {
  create(data, ctx) {
    const b = button('control-button');
    b.addEventListener('click', (e) => {
      e.stopPropagation();
      ctx.send({ type: 'tap', id: Number(b.dataset.id) });
    });
    return b;
  },
  update(node, data) {
    const face = buttonFace(data);
    node.className = 'control-button ' + (face.className || data.buttonType || '');
    node.disabled = data.enabled === false;
    node.classList.toggle('selected', !!data.selected);
    node.dataset.tag = String(data.tag ?? 0);
    node.setAttribute('aria-label', face.label || face.text || '');
    node.style.backgroundImage = face.url ? `url("${face.url}")` : '';
    setText(node, face.url ? '' : face.text);
  },
};

export const switchKind = {
  create(data, ctx) {
    const b = button('switch');
    b.setAttribute('role', 'switch');
    b.appendChild(el('span', 'knob'));
    b.addEventListener('click', (e) => {
      e.stopPropagation();
      const on = b.getAttribute('aria-checked') !== 'true';
      ctx.send({ type: 'toggle', id: Number(b.dataset.id), on });
    });
    return b;
  },
  update(node, data) {
    node.setAttribute('aria-checked', String(!!data.on));
    node.disabled = data.enabled === false;
    node.style.setProperty('--on-tint', data.onTintColor || '');
  },
};

export const segmentedControl = {
  create: () => {
    const node = el('div', 'segmented');
    node.setAttribute('role', 'radiogroup');
    return node;
  },
  update(node, data, ctx) {
    const key = JSON.stringify(data.segments);
    if (ctx.memo.segments !== key) {
      ctx.memo.segments = key;
      node.replaceChildren(...(data.segments || []).map((title, index) => {
        const b = button('segment', title, (e) => {
          e.stopPropagation();
          ctx.send({ type: 'selectSegment', id: data.id, index });
        });
        b.setAttribute('role', 'radio');
        return b;
      }));
    }
    [...node.children].forEach((b, index) => {
      b.setAttribute('aria-checked', String(index === data.selectedSegmentIndex && !data.momentary));
      b.disabled = data.enabled === false;
    });
    node.style.setProperty('--tint', data.tintColor || '');
  },
};

// A text field sends the whole text as it stands after each change, and Return as submit.
export function textInput(ctx, idOf, className) {
  const input = el('input', className);
  input.type = 'text';
  input.autocomplete = 'off';
  input.setAttribute('autocorrect', 'off');
  input.addEventListener('input', () => ctx.send({ type: 'typeText', id: idOf(), text: input.value }));
  input.addEventListener('keydown', (e) => {
    if (e.key !== 'Enter') return;
    e.preventDefault();
    ctx.send({ type: 'submit', id: idOf() });
  });
  return input;
}

export function updateTextInput(input, data) {
  input.placeholder = data.placeholder || '';
  input.disabled = data.enabled === false;
  if (data.secure !== undefined) input.type = data.secure ? 'password' : 'text';
  if (document.activeElement !== input && input.value !== (data.text || '')) input.value = data.text || '';
  if (data.focused && document.activeElement !== input) input.focus();
}

export const textField = {
  create(data, ctx) {
    const input = textInput(ctx, () => Number(input.dataset.id), 'text-field');
    return input;
  },
  update: (node, data) => updateTextInput(node, data),
};

export const activityIndicator = {
  create: () => el('div', 'activity-indicator'),
  update(node, data) {
    node.classList.toggle('animating', !!data.animating);
    node.dataset.style = data.style || 'gray';
    node.style.visibility = !data.animating && data.hidesWhenStopped ? 'hidden' : '';
  },
};

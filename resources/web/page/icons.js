// Icons from what the state names: a bar item's system item, or an image resource. Either a
// picture (`url`) or a short text (`text`) to show instead; `label` names it for assistive
// technology.

const PICTURES = { organize: 'files', undo: 'undo', trash: 'clear', search: 'search' };
const GLYPHS = {
  add: '+', compose: '\u270e', reply: '\u21a9', action: '\u2197', bookmarks: '\u2630', refresh: '\u21bb',
  stop: '\u2715', camera: '\u25c9', play: '\u25b6', pause: '\u2016', rewind: '\u23ea', fastForward: '\u23e9',
  redo: '\u21aa', pageCurl: '\u25f3',
};
const WORDS = { done: 'Done', cancel: 'Cancel', edit: 'Edit', save: 'Save' };
const NAMES = {
  organize: 'Organize', undo: 'Undo', trash: 'Trash', search: 'Search', add: 'Add', compose: 'Compose',
  reply: 'Reply', action: 'Action', bookmarks: 'Bookmarks', refresh: 'Refresh', stop: 'Stop',
  camera: 'Camera', play: 'Play', pause: 'Pause', rewind: 'Rewind', fastForward: 'Fast forward',
  redo: 'Redo', pageCurl: 'Page curl',
};

// The page's own picture for an image resource name ("settings.png" -> /images/settings.svg).
export function imageUrl(name) {
  if (!name) return null;
  const base = String(name).replace(/^.*\//, '').replace(/(@2x)?\.[A-Za-z0-9]+$/, '');
  if (!/^[A-Za-z0-9_-]+$/.test(base)) return null;
  return `/images/${base}.svg`;
}

export function barItemIcon(item) {
  const label = item.title || NAMES[item.systemItem] || WORDS[item.systemItem] || '';
  if (item.image) return { url: imageUrl(item.image), label };
  if (item.title) return { text: item.title, label };
  const system = item.systemItem;
  if (PICTURES[system]) return { url: `/images/${PICTURES[system]}.svg`, label };
  if (WORDS[system]) return { text: WORDS[system], label };
  if (GLYPHS[system]) return { text: GLYPHS[system], label };
  return { text: '', label };
}

// A button's face: its title, its image, or the look of its type.
export function buttonFace(button) {
  switch (button.buttonType) {
    case 'infoLight':
    case 'infoDark':
      return { text: 'i', label: 'Info', className: 'info' };
    case 'detailDisclosure':
      return { text: '\u203a', label: 'Details', className: 'disclosure' };
    case 'contactAdd':
      return { text: '+', label: 'Add', className: 'contact-add' };
    default:
      if (button.image) return { url: imageUrl(button.image), label: button.title || '', text: button.title || '' };
      return { text: button.title || '', label: button.title || '' };
  }
}

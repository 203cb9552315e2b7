// Elements made and written as text only (nothing from an address or a
// calculation is ever written as markup), and the inline errors beside the
// fields, shared by the One rod form and the tools.
export const $ = (selector, root) => (root || document).querySelector(selector);
export const $$ = (selector, root) => Array.from((root || document).querySelectorAll(selector));

export function make(tag, attributes, ...children) {
  const element = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes || {})) {
    if (value === false || value === null || value === undefined) continue;
    element.setAttribute(key, value === true ? '' : String(value));
  }
  for (const child of children) {
    if (child !== null && child !== undefined) element.append(child);
  }
  return element;
}

// The page is written only where it changes: an update stays well under a
// millisecond.
export function setText(element, text) {
  if (element.textContent !== text) element.textContent = text;
}
export function setHidden(element, hidden) {
  if (element.hidden !== hidden) element.hidden = hidden;
}

// Paragraphs or list items, one a text, remade only when the texts change.
export function fillList(list, texts, tag) {
  const key = texts.join('\n');
  if (list.dataset.key === key) return;
  list.dataset.key = key;
  list.replaceChildren(...texts.map((text) => make(tag || 'li', {}, text)));
}

function errorOf(input) {
  return document.getElementById(`${input.id}-error`);
}

// aria-describedby: the error (when shown), then the help.
export function describe(input) {
  const ids = [];
  const help = document.getElementById(`${input.id}-help`);
  const error = errorOf(input);
  if (error && !error.hidden) ids.push(error.id);
  if (help) ids.push(help.id);
  if (ids.length) input.setAttribute('aria-describedby', ids.join(' '));
  else input.removeAttribute('aria-describedby');
}

export function showFieldError(input, message) {
  const error = errorOf(input);
  input.setAttribute('aria-invalid', 'true');
  if (error) {
    error.textContent = message;
    error.hidden = false;
  }
  describe(input);
}

export function clearFieldError(input) {
  const error = errorOf(input);
  input.removeAttribute('aria-invalid');
  if (error) {
    error.textContent = '';
    error.hidden = true;
  }
  describe(input);
}

// A picture's buttons, for a figure whose image has this id.
export function pictureButtons(id) {
  return make('div', { class: 'downloads' },
    make('button', { type: 'button', class: 'download', 'data-download': 'svg', 'data-of': id, 'aria-label': 'Download the picture as SVG' }, 'SVG'),
    make('button', { type: 'button', class: 'download', 'data-download': 'png', 'data-of': id, 'aria-label': 'Download the picture as PNG' }, 'PNG'));
}

// A table's button: the rows it downloads (or a function giving them when
// clicked, for a table being typed into), with `separator` (';' for cells
// written with a decimal comma, as a spreadsheet writes them).
export function tableButton(name, rows, { label = 'CSV', separator = ',' } = {}) {
  const button = make('button', {
    type: 'button', class: 'download', 'data-download': 'csv', 'data-name': name, 'data-separator': separator,
    'aria-label': label === 'CSV' ? 'Download the table as CSV' : null,
  }, label);
  if (typeof rows === 'function') button.rowsOf = rows;
  else button.rows = rows;
  return button;
}

// A chart or drawing shown as an image with its caption and its downloads,
// hidden until drawn.
export function chartFigure(id, caption, kind = '') {
  return make('figure', { class: kind ? `chart ${kind}` : 'chart', hidden: true },
    make('img', { id, alt: '' }), make('figcaption', {}, caption), pictureButtons(id));
}

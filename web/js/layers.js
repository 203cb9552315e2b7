// The table a soil of several layers is typed in: a layer a row, its
// resistivity and thickness (the last layer has none: it goes on down), at
// most the library's count. It writes the text --layers takes into the
// tool's hidden `layers` field, each value with its unit and in the page's
// number marks; from an address or the survey it takes the command line's.
import { $, $$, make } from './dom.js';
import { THEMES, state } from './state.js';

const FIRST_ROWS = 3;

// The units the layers are typed in: those of the two-layer fields beside.
function unitsOf(holder) {
  const section = holder.closest('section');
  const picked = (name) => ($(`.fields [data-field="${name}"] .unit-pick`, section) || {}).value;
  const theme = THEMES[state.units];
  return { rho: picked('rho1') || theme.resistivity, h: picked('h') || theme.length };
}

const hasUnit = (text) => /[a-z][a-z-]*$/i.test(text.trim());

function makeRow(index) {
  const n = index + 1;
  const cell = (name, label) => make('td', {},
    make('input', { 'data-part': name, autocomplete: 'off', spellcheck: 'false', enterkeyhint: 'done',
      inputmode: 'decimal', 'aria-label': `Layer ${n}: ${label}` }));
  return make('tr', {}, make('th', { scope: 'row' }, String(n)), cell('rho', 'resistivity'),
    cell('h', 'thickness'),
    make('td', {}, make('button', { type: 'button', class: 'remove-layer', 'aria-label': `Remove layer ${n}` }, '×')));
}

// The rows' texts, [resistivity, thickness] each (the last layer's thickness empty).
export function layerRows(holder) {
  return $$('tbody tr', holder).map((row) => $$('input', row).map((input) => input.value));
}

// The text for the library: each value with its unit, the last layer's
// thickness left out; empty when nothing is typed.
function compose(holder) {
  const units = unitsOf(holder);
  const rows = layerRows(holder);
  if (rows.every((row) => row.every((cell) => !cell.trim()))) return '';
  const written = (text, unit) => (!text.trim() || hasUnit(text) ? text.trim() : `${text.trim()}${unit}`);
  const parts = [];
  rows.forEach(([rho, h], i) => {
    parts.push(written(rho, units.rho));
    if (i + 1 < rows.length) parts.push(written(h, units.h));
  });
  return parts.join(',');
}

// The table shown anew for `rows`: numbers, the last row's thickness none,
// the add button only while another layer may be added.
export function setLayerRows(holder, rows) {
  const body = $('tbody', holder);
  const most = Number(holder.dataset.most);
  const count = Math.min(Math.max(rows.length, 2), most);
  body.replaceChildren(...Array.from({ length: count }, (_, i) => makeRow(i)));
  $$('tr', body).forEach((row, i) => {
    const [rho, h] = rows[i] || ['', ''];
    $('[data-part="rho"]', row).value = rho;
    const thickness = $('[data-part="h"]', row);
    thickness.value = i + 1 < count ? h : '';
    thickness.hidden = i + 1 === count;
    thickness.closest('td').dataset.below = i + 1 === count ? 'goes on down' : '';
  });
  $('.add-layer', holder).hidden = count >= most;
  $$('.remove-layer', holder).forEach((button) => { button.hidden = count <= 2; });
  $('input[name="layers"]', holder).value = compose(holder);
}

// The headings' units, and the text again in them.
export function relabelLayers(holder) {
  const units = unitsOf(holder);
  $('[data-head="rho"]', holder).textContent = `Resistivity (${units.rho})`;
  $('[data-head="h"]', holder).textContent = `Thickness (${units.h})`;
  $('input[name="layers"]', holder).value = compose(holder);
}

// Rows from the command line's RHO1,H1,...,RHON (dot decimals): each part
// in the page's marks; a bare number is in the system's unit (si's ohm-m for
// a resistivity), written out where the table's differs.
export function commandLineRows(holder, text, si) {
  const units = unitsOf(holder);
  const theme = THEMES[state.units];
  const bare = { rho: si ? 'ohm-m' : theme.resistivity, h: theme.length };
  const cell = (part, kind) => {
    const shown = state.engine.pageText(part.trim());
    if (!shown) return '';
    const unit = hasUnit(shown) ? '' : bare[kind];
    const withUnit = shown + unit;
    return withUnit.endsWith(units[kind]) && !hasUnit(withUnit.slice(0, -units[kind].length))
      ? withUnit.slice(0, -units[kind].length) : withUnit;
  };
  const parts = text.split(',');
  const rows = [];
  for (let i = 0; i < parts.length; i += 2) {
    rows.push([cell(parts[i], 'rho'), i + 1 < parts.length ? cell(parts[i + 1], 'h') : '']);
  }
  return rows;
}

export function makeLayersField(tool, field) {
  const id = `${tool.id}-${field.name}`;
  const table = make('table', { class: 'readings layers', 'aria-describedby': `${id}-help` },
    make('caption', {}, field.label),
    make('thead', {}, make('tr', {}, make('th', { scope: 'col' }, 'Layer'),
      make('th', { scope: 'col', 'data-head': 'rho' }), make('th', { scope: 'col', 'data-head': 'h' }),
      make('th', { scope: 'col' }, make('span', { class: 'visually-hidden' }, 'Remove')))),
    make('tbody', {}));
  const holder = make('div', { class: 'field layers-field', 'data-field': field.name, 'data-soil': field.soil,
    'data-most': field.most },
  make('input', { type: 'hidden', id, name: field.name }), table,
  make('button', { type: 'button', class: 'add-layer' }, 'Add a layer'),
  make('p', { id: `${id}-error`, class: 'error', hidden: true }),
  make('p', { id: `${id}-help`, class: 'help' },
    'Each layer\'s resistivity and thickness, top first; the last layer goes on down.'));
  // A row typed in, added or removed: the text made again, then the tool updated.
  const changed = () => {
    const hidden = $('input[name="layers"]', holder);
    hidden.value = compose(holder);
    hidden.dispatchEvent(new Event('input', { bubbles: true }));
  };
  holder.addEventListener('input', (event) => {
    if (event.target.name !== field.name) $('input[name="layers"]', holder).value = compose(holder);
  });
  holder.addEventListener('click', (event) => {
    const button = event.target.closest('button');
    if (!button) return;
    const rows = layerRows(holder);
    if (button.classList.contains('add-layer')) {
      // A layer added above the last, which goes on down.
      rows.splice(rows.length - 1, 0, ['', '']);
      setLayerRows(holder, rows);
      $$('tbody tr', holder)[rows.length - 2].querySelector('input').focus();
    } else if (button.classList.contains('remove-layer')) {
      const index = $$('tbody tr', holder).indexOf(button.closest('tr'));
      rows.splice(index, 1);
      setLayerRows(holder, rows);
      $('.add-layer', holder).focus();
    } else {
      return;
    }
    changed();
  });
  return holder;
}

// Once the field stands in its tool (the units beside it known): its first rows.
export function startLayers(holder) {
  setLayerRows(holder, Array.from({ length: FIRST_ROWS }, () => ['', '']));
  relabelLayers(holder);
}

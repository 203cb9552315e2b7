// The survey's table of readings, kept in the browser's storage so that a
// reload loses nothing. What is stored is read leniently: the rows that read
// are shown, those that do not are named, and the stored text is left as it
// was until the user edits the table (showing the tool never writes it).
// At most the library's bound of rows, made in one pass.
import { $, $$, make } from './dom.js';
import { METRIC, state } from './state.js';

const KEY = 'ostrevin.survey';
const COLUMNS = ['probe spacing', 'reading (ohms)', 'probe depth'];

// The stored rows that read, and what could not be read.
export function storedRows() {
  const text = localStorage.getItem(KEY);
  if (text === null) return { rows: [], problems: [] };
  let stored;
  try {
    stored = JSON.parse(text);
  } catch (error) {
    return { rows: [], problems: ['The readings kept in this browser could not be read; they are kept as they were until you edit the table.'] };
  }
  if (!Array.isArray(stored)) {
    return { rows: [], problems: ['The readings kept in this browser are not a table; they are kept as they were until you edit the table.'] };
  }
  const rows = [];
  const unread = [];
  stored.forEach((row, index) => {
    const cell = (value) => typeof value === 'string' || typeof value === 'number';
    if (Array.isArray(row) && row.length <= 3 && row.every(cell)) {
      rows.push([0, 1, 2].map((column) => (row[column] === undefined ? '' : String(row[column]))));
    } else {
      unread.push(index + 1);
    }
  });
  const problems = [];
  if (unread.length) {
    problems.push(`Kept row${unread.length > 1 ? 's' : ''} ${unread.join(', ')} could not be read and ${unread.length > 1 ? 'are' : 'is'} not shown; the kept readings stay as they were until you edit the table.`);
  }
  const most = state.described.maxTableRows;
  if (rows.length > most) {
    problems.push(`${rows.length} readings were kept; the table shows the first ${most}, as many as a survey may have.`);
    rows.length = most;
  }
  return { rows, problems };
}

// The table's rows as the user left them: written to storage after an edit only.
export function keepRows(section, onProblem) {
  const rows = tableRows();
  try {
    localStorage.setItem(KEY, JSON.stringify(rows));
    showStorageNote(section, []);
  } catch (error) {
    onProblem(`The readings could not be kept in this browser: ${error.message}`);
  }
}

export function tableRows() {
  return $$('#survey-rows tr').map((row) => $$('input', row).map((input) => input.value));
}

function makeRow(values, number) {
  const cells = ['spacing', 'reading', 'depth'].map((name, column) => {
    const input = make('input', {
      name, inputmode: 'decimal', autocomplete: 'off', spellcheck: 'false', enterkeyhint: 'next',
      'aria-label': `Row ${number}: ${COLUMNS[column]}`,
    });
    input.value = values ? values[column] : '';
    return make('td', {}, input);
  });
  const remove = make('button', { type: 'button', class: 'remove', 'aria-label': `Remove row ${number}` }, '×');
  return make('tr', {}, make('th', { scope: 'row' }, String(number)), ...cells, make('td', {}, remove));
}

// Rows put in the table in one pass, numbered as they go.
export function fillRows(rows) {
  const body = $('#survey-rows');
  const fragment = document.createDocumentFragment();
  rows.forEach((row, index) => fragment.append(makeRow(row, index + 1)));
  body.replaceChildren(fragment);
}

// A new row at the end, unless the table holds as many as a survey may.
export function addRow() {
  const body = $('#survey-rows');
  if (body.rows.length >= state.described.maxTableRows) return null;
  const row = makeRow(null, body.rows.length + 1);
  body.append(row);
  updateAddButton();
  return row;
}

export function removeRow(row) {
  const next = row.nextElementSibling || row.previousElementSibling;
  row.remove();
  renumber();
  updateAddButton();
  return next;
}

// After a row is removed: each row's number and the names it is read by.
function renumber() {
  $$('#survey-rows tr').forEach((row, index) => {
    const number = index + 1;
    row.cells[0].textContent = String(number);
    $$('input', row).forEach((input, column) => input.setAttribute('aria-label', `Row ${number}: ${COLUMNS[column]}`));
    $('button', row).setAttribute('aria-label', `Remove row ${number}`);
  });
}

function updateAddButton() {
  const full = $('#survey-rows').rows.length >= state.described.maxTableRows;
  $('#survey-add').disabled = full;
  $('#survey-add').title = full ? `A survey may have at most ${state.described.maxTableRows} readings` : '';
}

export function showStorageNote(section, problems) {
  const note = $('.storage-note', section);
  note.textContent = problems.join(' ');
  note.hidden = !problems.length;
}

export function makeSurveyTable() {
  const table = make('table', { class: 'readings' },
    make('caption', {}, 'Readings: probe spacing, the instrument\'s reading and, for probes driven deep, their depth'),
    make('thead', {}, make('tr', {},
      make('th', { scope: 'col' }, '#'),
      make('th', { scope: 'col', 'data-unit-of': 'spacing' }, 'Spacing'),
      make('th', { scope: 'col' }, 'Reading (ohms)'),
      make('th', { scope: 'col', 'data-unit-of': 'depth' }, 'Depth'),
      make('th', { scope: 'col' }, make('span', { class: 'visually-hidden' }, 'Remove')))),
    make('tbody', { id: 'survey-rows' }));
  const add = make('button', { type: 'button', id: 'survey-add' }, 'Add a reading');
  const use = make('button', { type: 'button', id: 'survey-use', class: 'primary', disabled: true },
    'Use this soil in the rod tools');
  const chart = make('figure', { class: 'chart', hidden: true },
    make('img', { id: 'survey-chart', alt: '' }),
    make('figcaption', {}, 'Apparent resistivity against spacing: the readings, the two-layer model and one uniform soil.'));
  return make('div', { class: 'survey' },
    make('p', { class: 'storage-note', role: 'status', hidden: true }),
    make('div', { class: 'table-holder' }, table), make('div', { class: 'row-buttons' }, add, use), chart);
}

export function surveyUnits() {
  const words = state.units === METRIC ? 'm' : 'ft';
  $$('#tool-survey [data-unit-of]').forEach((cell) => {
    cell.textContent = `${cell.dataset.unitOf === 'spacing' ? 'Spacing' : 'Depth'} (${words})`;
  });
}

let chartAddress = '';
export function showSurvey(section, answer) {
  const figure = $('.chart', section);
  if (chartAddress) URL.revokeObjectURL(chartAddress);
  chartAddress = '';
  figure.hidden = !answer;
  $('#survey-use').disabled = !(answer && answer.use && Object.keys(answer.use).length);
  if (!answer) return;
  chartAddress = URL.createObjectURL(new Blob([answer.svg], { type: 'image/svg+xml' }));
  const image = $('#survey-chart');
  image.src = chartAddress;
  image.alt = `Chart of the survey: ${answer.result}`;
  section.survey = answer;
}

export function startSurvey(section) {
  const { rows, problems } = storedRows();
  fillRows(rows.length ? rows : [['', '', ''], ['', '', ''], ['', '', '']]);
  updateAddButton();
  showStorageNote(section, problems);
  surveyUnits();
}

// A table of rows typed in (the survey's readings, the electrodes'
// conductors), kept in the browser's storage so that a reload loses
// nothing. What is stored is read leniently: the rows that read are shown,
// those that do not are named, and the stored text is left as it was until
// the user edits the table (showing the tool never writes it). At most the
// library's bound of rows, made in one pass.
import { $, $$, make } from './dom.js';
import { state } from './state.js';
import { keep, readKept } from './storage.js';

export class RowsTable {
  // key: the storage's name; id: the table body's; columns: [{name, label, unit}]
  // with unit 'length' or 'diameter' for a header that names the unit;
  // noun: what a row is ("reading"); caption: the table's caption; addId
  // and addLabel: the button that adds a row.
  constructor({ key, id, columns, noun, caption, addId, addLabel }) {
    Object.assign(this, { key, id, columns, noun, caption, addId, addLabel });
  }

  get body() { return $(`#${this.id}`); }
  get addButton() { return $(`#${this.addId}`); }

  // The stored rows that read, and what could not be read.
  storedRows() {
    const width = this.columns.length;
    const text = readKept(this.key);
    if (text === null) return { rows: [], problems: [] };
    const plural = `${this.noun}s`;
    let stored;
    try {
      stored = JSON.parse(text);
    } catch (error) {
      return { rows: [], problems: [`The ${plural} kept in this browser could not be read; they are kept as they were until you edit the table.`] };
    }
    if (!Array.isArray(stored)) {
      return { rows: [], problems: [`The ${plural} kept in this browser are not a table; they are kept as they were until you edit the table.`] };
    }
    const rows = [];
    const unread = [];
    stored.forEach((row, index) => {
      const cell = (value) => typeof value === 'string' || typeof value === 'number';
      if (Array.isArray(row) && row.length <= width && row.every(cell)) {
        rows.push(this.columns.map((_, column) => (row[column] === undefined ? '' : String(row[column]))));
      } else {
        unread.push(index + 1);
      }
    });
    const problems = [];
    if (unread.length) {
      problems.push(`Kept row${unread.length > 1 ? 's' : ''} ${unread.join(', ')} could not be read and ${unread.length > 1 ? 'are' : 'is'} not shown; the kept ${plural} stay as they were until you edit the table.`);
    }
    const most = state.described.maxTableRows;
    if (rows.length > most) {
      problems.push(`${rows.length} ${plural} were kept; the table shows the first ${most}, as many as it may have.`);
      rows.length = most;
    }
    return { rows, problems };
  }

  // The table's rows as the user left them: written to storage after an edit only.
  keepRows(section, onProblem) {
    try {
      localStorage.setItem(this.key, JSON.stringify(this.rows()));
      this.showStorageNote(section, []);
    } catch (error) {
      onProblem(`The ${this.noun}s could not be kept in this browser: ${error.message}`);
    }
  }

  rows() {
    return $$('tr', this.body).map((row) => $$('input', row).map((input) => input.value));
  }

  label(number, column) { return `Row ${number}: ${this.columns[column].label}`; }

  makeRow(values, number) {
    const cells = this.columns.map((column, index) => {
      const input = make('input', {
        name: column.name, inputmode: 'decimal', autocomplete: 'off', spellcheck: 'false',
        enterkeyhint: 'next', 'aria-label': this.label(number, index),
      });
      input.value = values ? values[index] : '';
      return make('td', {}, input);
    });
    const remove = make('button', { type: 'button', class: 'remove', 'aria-label': `Remove row ${number}` }, '×');
    return make('tr', {}, make('th', { scope: 'row' }, String(number)), ...cells, make('td', {}, remove));
  }

  // Rows put in the table in one pass, numbered as they go.
  fillRows(rows) {
    const fragment = document.createDocumentFragment();
    rows.forEach((row, index) => fragment.append(this.makeRow(row, index + 1)));
    this.body.replaceChildren(fragment);
  }

  // A new row at the end, unless the table holds as many as it may.
  addRow() {
    if (this.body.rows.length >= state.described.maxTableRows) return null;
    const row = this.makeRow(null, this.body.rows.length + 1);
    this.body.append(row);
    this.updateAddButton();
    return row;
  }

  removeRow(row) {
    const next = row.nextElementSibling || row.previousElementSibling;
    row.remove();
    // Each row's number and the names it is read by.
    $$('tr', this.body).forEach((each, index) => {
      const number = index + 1;
      each.cells[0].textContent = String(number);
      $$('input', each).forEach((input, column) => input.setAttribute('aria-label', this.label(number, column)));
      $('button', each).setAttribute('aria-label', `Remove row ${number}`);
    });
    this.updateAddButton();
    return next;
  }

  updateAddButton() {
    const most = state.described.maxTableRows;
    const full = this.body.rows.length >= most;
    this.addButton.disabled = full;
    this.addButton.title = full ? `The table may have at most ${most} ${this.noun}s` : '';
  }

  showStorageNote(section, problems) {
    const note = $('.storage-note', section);
    note.textContent = problems.join(' ');
    note.hidden = !problems.length;
  }

  // The caption, the headers (with their units) and the body; the add button.
  make() {
    const table = make('table', { class: 'readings' },
      make('caption', {}, this.caption),
      make('thead', {}, make('tr', {},
        make('th', { scope: 'col' }, '#'),
        ...this.columns.map((column) => make('th', { scope: 'col', 'data-column': column.name }, column.label)),
        make('th', { scope: 'col' }, make('span', { class: 'visually-hidden' }, 'Remove')))),
      make('tbody', { id: this.id }));
    const add = make('button', { type: 'button', id: this.addId, class: 'add-row' }, this.addLabel);
    return { table: make('div', { class: 'table-holder' }, table), add };
  }

  // The headers' units in the unit system chosen.
  showUnits(metric) {
    for (const column of this.columns) {
      const header = $(`#${this.id}`).closest('table').querySelector(`[data-column="${column.name}"]`);
      const unit = column.unit === 'length' ? (metric ? 'm' : 'ft')
        : column.unit === 'diameter' ? (metric ? 'm' : 'in') : column.unit;
      header.textContent = unit ? `${column.label} (${unit})` : column.label;
    }
  }

  // Rows from an address: shown, not kept, until the user edits them; the
  // rows kept in this browser, if other, are said to stay as they are.
  showRows(section, rows) {
    const kept = readKept(this.key);
    this.fillRows(rows);
    this.updateAddButton();
    const other = kept !== null && kept !== JSON.stringify(this.rows());
    this.showStorageNote(section, other
      ? [`The ${this.noun}s shown are the address's; those kept in this browser stay as they are until you edit the table.`]
      : []);
  }

  // The kept rows, or a few blank ones to begin with.
  start(section, blankRows) {
    const { rows, problems } = this.storedRows();
    const blank = () => this.columns.map(() => '');
    this.fillRows(rows.length ? rows : Array.from({ length: blankRows }, blank));
    this.updateAddButton();
    this.showStorageNote(section, problems);
  }
}

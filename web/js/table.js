// A table of rows typed in (the survey's readings, the electrodes'
// conductors), kept in the browser's storage so that a reload loses
// nothing. What is stored is read leniently: the rows that read are shown,
// those that do not are named, and the stored text is left as it was until
// the user edits the table (showing the tool never writes it). At most the
// library's bound of rows, made in one pass. Rows pasted from a
// spreadsheet, or a CSV file picked or dropped on the table, are read by the
// library's reader (the command line's): the rows it reads go in, those it
// cannot are named and left out, and the rows already there stay.
import { $, $$, make, tableButton } from './dom.js';
import { state } from './state.js';
import { keep, readKept } from './storage.js';

export class RowsTable {
  // tool: the tool whose table it is; key: the storage's name; id: the
  // table body's; columns: [{name, label, unit}] (in the library's order)
  // with unit 'length' or 'diameter' for a header that names the unit;
  // noun: what a row is ("reading"); caption: the table's caption; addId
  // and addLabel: the button that adds a row.
  constructor({ tool, key, id, columns, noun, caption, addId, addLabel, accept, openLabel }) {
    Object.assign(this, { tool, key, id, columns, noun, caption, addId, addLabel, accept, openLabel });
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

  // Rows read from text (a paste, a file) put in the table: from row
  // `from` on, over what is there, or, without `from`, after the last row
  // that holds anything. What was not taken is said. True when rows went in.
  takeText(section, text, name, from) {
    const note = $('.rows-note', section);
    // (A drawing is read with the tool's inputs: its sizes and units.)
    const inputs = this.inputsOf ? this.inputsOf(section) : {};
    const read = JSON.parse(state.engine.readPageTable(this.tool, text, name, inputs, state.units));
    const said = [];
    if (read.error) {
      said.push(`${name || 'The pasted rows'}: ${read.error}`);
    } else {
      const rows = this.rows();
      let at = from;
      if (at === undefined) {
        at = rows.length;
        while (at > 0 && rows[at - 1].every((cell) => cell.trim() === '')) at -= 1;
      }
      const room = state.described.maxTableRows - at;
      const taken = read.rows.slice(0, Math.max(room, 0));
      taken.forEach((row, index) => { rows[at + index] = row; });
      if (taken.length) this.fillRows(rows);
      this.updateAddButton();
      if (taken.length < read.rows.length) {
        said.push(`${read.rows.length - taken.length} ${this.noun}s did not fit: the table holds at most ${state.described.maxTableRows}.`);
      }
      if (read.problems.length) said.unshift(`Not taken: ${read.problems.join('; ')}.`);
      if (read.notes && read.notes.length) said.push(`${read.notes.join('; ')}.`);
      if (taken.length) said.unshift(`${taken.length} ${this.noun}${taken.length > 1 ? 's' : ''} taken${name ? ` from ${name}` : ''}.`);
    }
    note.textContent = said.join(' ');
    note.hidden = !said.length;
    return !read.error && read.rows.length > 0;
  }

  // Pasted text of more than one cell (a tab or a line break in it) is rows
  // from the row pasted into; one cell is left to the input.
  pasted(section, event) {
    const input = event.target.closest('tbody input');
    const text = event.clipboardData && event.clipboardData.getData('text/plain');
    if (!input || !text || !/[\t\n\r]/.test(text.replace(/[\r\n]+$/, ''))) return false;
    event.preventDefault();
    const from = $$('tr', this.body).indexOf(input.closest('tr'));
    return this.takeText(section, text, '', from);
  }

  // A CSV file picked or dropped: its rows after those already there.
  async takeFile(section, file) {
    const drawing = /\.dxf$/i.test(file.name);
    if (file.size > (drawing ? 100 * 1000 * 1000 : 16 * 1024 * 1024)) {
      this.takeError(section, `${file.name} is not read: ${drawing ? 'a drawing is at most 100 MB' : 'a table\'s file is at most 16 MiB'}.`);
      return false;
    }
    let text;
    try {
      text = await file.text();
    } catch (error) {
      this.takeError(section, `${file.name} cannot be read: ${error.message}`);
      return false;
    }
    return this.takeText(section, text, `"${file.name}"`);
  }

  takeError(section, message) {
    const note = $('.rows-note', section);
    note.textContent = message;
    note.hidden = false;
  }

  // The caption, the headers (with their units) and the body; the add
  // button, and the button and picker of a CSV file.
  make() {
    const table = make('table', { class: 'readings' },
      make('caption', {}, this.caption),
      make('thead', {}, make('tr', {},
        make('th', { scope: 'col' }, '#'),
        ...this.columns.map((column) => make('th', { scope: 'col', 'data-column': column.name }, column.label)),
        make('th', { scope: 'col' }, make('span', { class: 'visually-hidden' }, 'Remove')))),
      make('tbody', { id: this.id }));
    const add = make('button', { type: 'button', id: this.addId, class: 'add-row' }, this.addLabel);
    const open = make('button', { type: 'button', class: 'open-rows', 'aria-describedby': `${this.id}-paste` },
      this.openLabel || 'Open a CSV file');
    const picker = make('input', { type: 'file', class: 'rows-file', accept: this.accept || '.csv,.tsv,.txt,text/csv,text/plain', hidden: true });
    const hint = make('p', { class: 'help', id: `${this.id}-paste` },
      'Rows copied from a spreadsheet can be pasted into any cell; a CSV file can be opened or dropped here.');
    const note = make('p', { class: 'rows-note', role: 'status', hidden: true });
    // The rows typed in, as a CSV file the command line reads back (';'
    // where the page writes a decimal comma).
    const save = tableButton(`${this.tool}-${this.noun}s`, () => [
      this.columns.map((column) => column.name),
      ...this.rows().filter((row) => row.some((cell) => cell.trim() !== '')),
    ], { label: 'Save as CSV', separator: state.marks.decimal === ',' ? ';' : ',' });
    return { table: make('div', { class: 'table-holder' }, table), add, open: [open, picker, save], notes: [hint, note] };
  }

  // The headers' units in the unit system chosen.
  showUnits(metric) {
    for (const column of this.columns) {
      const header = $(`#${this.id}`).closest('table').querySelector(`[data-column="${column.name}"]`);
      const unit = column.unit === 'length' ? (metric ? 'm' : 'ft')
        : column.unit === 'diameter' ? (metric ? 'm' : 'in')
          : column.unit === 'rho' ? 'ohm-cm' : column.unit;
      // The unit never split at its hyphen ("ohm-cm").
      header.replaceChildren(column.label, ...(unit ? [' ', make('span', { class: 'unit-name' }, `(${unit})`)] : []));
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

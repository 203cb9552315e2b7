// The page's script. Data flow: the page's controls -> one call into the
// calculator in WebAssembly (ostrevin.js, loaded after this) -> the answer
// written back into the page.
//
// - One rod is the window's form: clicks and keys go in through
//   Module.click and Module.command; the form reads and writes its controls
//   through the ostrevin* functions below, one call each way an event.
// - The other tools are made from the library's description of them
//   (Module.describeTools): fields, labels, units and help. Each update sends
//   the inputs as typed, with the page's number marks, and shows the JSON
//   answer; long work (how many rods, big or layered groups, the survey)
//   runs in a worker (worker.js) while the old answer is marked out of date.
// - Each tool has its own address (#check?rho=10000&diameter=0.625&length=8),
//   read when the page opens and rewritten as the inputs change.
// Nothing from an address or a calculation is ever written as markup: text
// only (textContent, value).
'use strict';

// The one name shared with ostrevin.js; everything else is this script's own.
var Module = {};

(function () {
Module.onRuntimeInitialized = () => {
  setNumberMarks();
  // The form itself is made by the program's main(), after this returns.
  setTimeout(start, 0);
};

const ENGLISH = 0, METRIC = 1;
const IDOK = 1, IDCANCEL = 2;
const SEPARATOR = '\x1f', PART = '\x1e';
// A group of more rods than this, or in two layers, is worked in the worker.
const MANY_RODS = 20;

const state = {
  tools: [],
  units: Number(localStorage.getItem('ostrevin.units')) === METRIC ? METRIC : ENGLISH,
  marks: { decimal: '.', group: ',' }, // the page's language's, set at start
  worker: null,
  busy: false,   // the worker is on a job
  job: 0,        // the newest job's number
  pending: null, // {id, section, since}: the job whose answer will be shown
  timings: [], // {tool, ms}: input event to answer shown, read by the tests
};

const $ = (selector, root) => (root || document).querySelector(selector);
const $$ = (selector, root) => Array.from((root || document).querySelectorAll(selector));

function make(tag, attributes, ...children) {
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

// The decimal and grouping marks of the page's language.
function numberMarks() {
  const parts = new Intl.NumberFormat(navigator.language).formatToParts(12345.6);
  const part = (type, fallback) => (parts.find((p) => p.type === type) || { value: fallback }).value;
  return { decimal: part('decimal', '.'), group: part('group', '') };
}
function setNumberMarks() {
  state.marks = numberMarks();
  Module.setNumberMarks(state.marks.decimal, state.marks.group);
}

const clean = (text) => String(text).replace(/[\x1e\x1f]/g, ' ');

// ---- The form's window: what the program in WebAssembly calls. ----

function ostrevinReadControls(elements) {
  return elements.map((element) => {
    const checked = element.getAttribute('aria-checked') === 'true' ? '1' : '0';
    const text = 'value' in element && element.tagName !== 'BUTTON' ? element.value : element.textContent;
    return checked + PART + clean(text);
  }).join(SEPARATOR);
}

// The form's changes; whether it changed an input is kept for clickRod.
let rodInputChanged = false;
function ostrevinWriteControls(elements, changes) {
  for (const change of changes.split(SEPARATOR)) {
    const [index, check, textChanged, ...rest] = change.split(PART);
    const element = elements[Number(index)];
    if (!element) continue;
    if (check !== '-') {
      element.setAttribute('aria-checked', check === '1' ? 'true' : 'false');
      element.tabIndex = check === '1' ? 0 : -1;
    }
    if (textChanged === '1') {
      const text = rest.join(PART);
      if (element.tagName === 'INPUT') {
        rodInputChanged = rodInputChanged || element.value !== text;
        element.value = text;
      } else {
        element.textContent = text;
      }
    }
  }
}

function markRodStale(stale) {
  $('#tool-rod .result').classList.toggle('stale', stale);
  if (stale) showReason('');
}

// A value the form refused: marked beside its field, so the refusal names it.
function ostrevinMarkRefused(name, message) {
  const input = $(`[data-control="${name}"]`);
  if (input) showFieldError(input, message);
}

function ostrevinFocus(name) {
  const element = $(`[data-control="${name}"]`);
  if (!element) return;
  element.focus();
  if (element.select) element.select();
}

function ostrevinPrompt(text) {
  const prompt = $('#prompt');
  $('[data-prompt-text]', prompt).textContent = text;
  if (!prompt.open) prompt.showModal();
}

// ---- Inline errors, shared by the form and the tools. ----

function errorOf(input) {
  return document.getElementById(`${input.id}-error`);
}

function describe(input) {
  const ids = [];
  const help = document.getElementById(`${input.id}-help`);
  const error = errorOf(input);
  if (error && !error.hidden) ids.push(error.id);
  if (help) ids.push(help.id);
  if (ids.length) input.setAttribute('aria-describedby', ids.join(' '));
  else input.removeAttribute('aria-describedby');
}

function showFieldError(input, message) {
  const error = errorOf(input);
  input.setAttribute('aria-invalid', 'true');
  if (error) {
    error.textContent = message;
    error.hidden = false;
  }
  describe(input);
}

function clearFieldError(input) {
  const error = errorOf(input);
  input.removeAttribute('aria-invalid');
  if (error) {
    error.textContent = '';
    error.hidden = true;
  }
  describe(input);
}

// ---- One rod: the window's form. ----

function timed(tool, event, call) {
  call();
  const since = event && event.timeStamp ? event.timeStamp : performance.now();
  state.timings.push({ tool, ms: performance.now() - since });
}

// A click on the form. A calculation done makes the answer current (with
// the reason when it is "na"); any other change of an input by the form (a
// unit switch, the four-probe button) makes it out of date.
function clickRod(name) {
  rodInputChanged = false;
  const reason = Module.click(name);
  if (name === 'IDC_CALCULATE' && !$('#prompt').open) {
    markRodStale(false);
    showReason(reason);
  } else if (rodInputChanged) {
    markRodStale(true);
  }
}

function showReason(reason) {
  const element = $('#tool-rod [data-reason]');
  element.textContent = reason || '';
  element.hidden = !reason;
}

function wireRod() {
  const section = $('#tool-rod');
  const prompt = $('#prompt');
  $$('button[data-control]', section).forEach((button) => {
    button.addEventListener('click', (event) => timed('rod', event, () => clickRod(button.dataset.control)));
  });
  // Within a radio group the arrow keys move the check, as the window's do.
  $$('[role=radiogroup]').forEach((group) => {
    group.addEventListener('keydown', (event) => {
      const step = { ArrowRight: 1, ArrowDown: 1, ArrowLeft: -1, ArrowUp: -1 }[event.key];
      if (!step) return;
      const buttons = $$('[role=radio]', group);
      const next = buttons[(buttons.indexOf(document.activeElement) + step + buttons.length) % buttons.length];
      event.preventDefault();
      next.focus();
      next.click();
    });
  });
  $$('input[data-control]', section).forEach((input) => {
    // Enter (a phone's Done) is the form's OK, then its Calculate: the
    // four-probe button in the four-probe fields.
    input.addEventListener('keydown', (event) => {
      if (event.key !== 'Enter') return;
      event.preventDefault();
      timed('rod', event, () => {
        Module.command(IDOK);
        if (!prompt.open) clickRod('probe' in input.dataset ? 'IDC_CALCULATE_RHO' : 'IDC_CALCULATE');
      });
    });
    // A changed input makes the shown result out of date.
    input.addEventListener('input', () => {
      clearFieldError(input);
      markRodStale(true);
    });
  });
  document.addEventListener('keydown', (event) => {
    if (event.key === 'Escape' && !prompt.open && currentTool() === 'rod') Module.command(IDCANCEL);
  });
  prompt.addEventListener('close', () => Module.promptClosed());
}

// ---- The tools beyond one rod. ----

const fieldId = (tool, name) => `${tool.id}-${name}`;

function unitOf(field) {
  return field.unit[state.units === METRIC ? 'metric' : 'english'];
}

function fieldLabel(field) {
  const unit = unitOf(field);
  return unit ? `${field.label} (${unit})` : field.label;
}

function makeField(tool, field) {
  const id = fieldId(tool, field.name);
  const label = make('label', { for: id }, fieldLabel(field));
  const help = make('p', { id: `${id}-help`, class: 'help' },
    field.help + (field.example ? `; for example ${field.example}` : ''));
  let input;
  if (field.kind === 'choice') {
    input = make('select', { id, name: field.name });
    if (!field.required) input.append(make('option', { value: '' }, 'Default'));
    for (const choice of field.choices) input.append(make('option', { value: choice }, choice));
  } else {
    input = make('input', {
      id, name: field.name, autocomplete: 'off', spellcheck: 'false', enterkeyhint: 'done',
      inputmode: field.kind === 'count' ? 'numeric' : field.kind === 'number' ? 'decimal' : 'text',
    });
  }
  const holder = make('div', {
    class: 'field', 'data-field': field.name, 'data-soil': field.soil,
    'data-layouts': field.layouts ? field.layouts.join(' ') : null,
  }, label, input, make('p', { id: `${id}-error`, class: 'error', hidden: true }), help);
  describe(input);
  return holder;
}

function makeSwitch(title, name, choices, value) {
  const titleId = `${name}-title`;
  const group = make('div', { class: 'segmented', role: 'radiogroup', 'aria-labelledby': titleId });
  for (const [choice, text] of choices) {
    const checked = String(choice) === String(value);
    group.append(make('button', {
      type: 'button', role: 'radio', 'aria-checked': checked ? 'true' : 'false',
      tabindex: checked ? 0 : -1, 'data-choice': choice,
    }, text));
  }
  return make('fieldset', { 'data-switch': name }, make('legend', { id: titleId }, title), group);
}

function switchValue(section, name) {
  const checked = $(`[data-switch="${name}"] [aria-checked="true"]`, section);
  return checked ? checked.dataset.choice : '';
}

function setSwitch(section, name, value) {
  $$(`[data-switch="${name}"] [role=radio]`, section).forEach((button) => {
    const on = button.dataset.choice === String(value);
    button.setAttribute('aria-checked', on ? 'true' : 'false');
    button.tabIndex = on ? 0 : -1;
  });
}

function makeOutcome(tool) {
  return make('div', { class: 'outcome' },
    make('p', { class: 'result', 'aria-live': 'polite' },
      make('output', { id: `${tool.id}-result`, 'data-value': '', for: '' }),
      make('span', { class: 'unit' }),
      make('span', { class: 'status', hidden: true })),
    make('p', { class: 'problem', hidden: true }),
    make('div', { class: tool.id === 'survey' ? 'lines table' : 'lines' }),
    make('ul', { class: 'warnings' }),
    make('ul', { class: 'notes' }),
    make('p', { class: 'reason', 'data-reason': true, hidden: true }),
    make('p', { class: 'address-note', hidden: true }));
}

function makeFormula(tool) {
  return make('details', { class: 'source' },
    make('summary', {}, 'Formula and source'), make('p', {}, tool.formula));
}

function makeTool(tool) {
  const titleId = `${tool.id}-title`;
  const section = make('section', {
    id: `tool-${tool.id}`, class: 'tool', 'data-tool': tool.id, 'aria-labelledby': titleId, hidden: true,
  });
  section.append(make('h2', { id: titleId, tabindex: -1 }, tool.title), make('p', { class: 'summary' }, tool.summary));
  const switches = make('div', { class: 'switches' },
    makeSwitch('Units', `${tool.id}-units`, [[ENGLISH, 'English'], [METRIC, 'Metric']], state.units));
  if (tool.fields.some((field) => field.soil)) {
    switches.append(makeSwitch('Soil', `${tool.id}-soil`, [['uniform', 'Uniform'], ['layers', 'Two layers']], 'uniform'));
  }
  section.append(switches);
  if (tool.id === 'survey') {
    section.append(makeSurveyTable());
  } else {
    const fields = make('div', { class: 'fields' });
    for (const field of tool.fields) fields.append(makeField(tool, field));
    section.append(fields);
  }
  section.append(makeOutcome(tool), makeFormula(tool));
  return section;
}

// ---- The survey's table of readings, kept in the browser's storage. ----

const SURVEY_KEY = 'ostrevin.survey';

function surveyRows() {
  try {
    const rows = JSON.parse(localStorage.getItem(SURVEY_KEY) || '[]');
    if (Array.isArray(rows) && rows.every((row) => Array.isArray(row) && row.length === 3)) {
      return rows.map((row) => row.map((cell) => String(cell)));
    }
  } catch (error) { /* a damaged copy: start afresh */ }
  return [];
}

function keepSurvey() {
  const rows = $$('#survey-rows tr').map((row) => $$('input', row).map((input) => input.value));
  try {
    localStorage.setItem(SURVEY_KEY, JSON.stringify(rows));
  } catch (error) {
    showProblem($('#tool-survey'), 'The readings could not be kept in this browser: ' + error.message);
  }
}

function addSurveyRow(values) {
  const cells = ['spacing', 'reading', 'depth'].map((name, column) => {
    const input = make('input', {
      name, inputmode: 'decimal', autocomplete: 'off', spellcheck: 'false', enterkeyhint: 'next',
    });
    input.value = values ? values[column] : '';
    return make('td', {}, input);
  });
  const remove = make('button', { type: 'button', class: 'remove' }, '×');
  const row = make('tr', {}, make('th', { scope: 'row' }), ...cells, make('td', {}, remove));
  $('#survey-rows').append(row);
  renumberSurvey();
  return row;
}

// Each row's number, and the names its cells and button are read by.
function renumberSurvey() {
  const names = ['probe spacing', 'reading (ohms)', 'probe depth'];
  $$('#survey-rows tr').forEach((row, index) => {
    const number = index + 1;
    row.cells[0].textContent = String(number);
    $$('input', row).forEach((input, column) => input.setAttribute('aria-label', `Row ${number}: ${names[column]}`));
    $('button', row).setAttribute('aria-label', `Remove row ${number}`);
  });
}

function makeSurveyTable() {
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
    make('div', { class: 'table-holder' }, table), make('div', { class: 'row-buttons' }, add, use), chart);
}

function surveyUnits() {
  const words = state.units === METRIC ? 'm' : 'ft';
  $$('#tool-survey [data-unit-of]').forEach((cell) => {
    cell.textContent = `${cell.dataset.unitOf === 'spacing' ? 'Spacing' : 'Depth'} (${words})`;
  });
}

// ---- Updating a tool. ----

function inputsOf(section) {
  const tool = toolOf(section);
  const soil = switchValue(section, `${tool.id}-soil`);
  const layout = ($('select[name=layout]', section) || {}).value;
  const items = [];
  for (const field of tool.fields) {
    const holder = $(`[data-field="${field.name}"]`, section);
    const shown = (!field.soil || field.soil === soil) && (!field.layouts || field.layouts.includes(layout));
    setHidden(holder, !shown);
    if (!shown) continue;
    const input = $(`[name="${field.name}"]`, holder);
    items.push(field.name, clean(input.value));
  }
  return items;
}

function toolOf(section) {
  return state.tools.find((tool) => tool.id === section.dataset.tool);
}

function countOf(items, name) {
  const index = items.indexOf(name);
  return index >= 0 && index % 2 === 0 ? Number(items[index + 1]) || 0 : 0;
}

// Whether the update may take long: then it runs in the worker.
function isHeavy(tool, items, soil) {
  if (tool.id === 'rods' || tool.id === 'survey') return true;
  if (tool.id !== 'group') return false;
  if (soil === 'layers') return true;
  const at = items.indexOf('at');
  const points = at >= 0 ? items[at + 1].trim().split(/\s+/).length : 0;
  return Math.max(countOf(items, 'rods'), 4 * countOf(items, 'per-side'), points) > MANY_RODS;
}

function update(section, event) {
  const tool = toolOf(section);
  const since = event && event.timeStamp ? event.timeStamp : performance.now();
  if (tool.id === 'survey') {
    keepSurvey();
    const rows = $$('#survey-rows input').map((input) => clean(input.value));
    runInWorker(section, { kind: 'survey', items: rows.join(SEPARATOR), units: state.units }, since);
    return;
  }
  const items = inputsOf(section);
  writeAddress(tool, Module.toolAddress(items.join(SEPARATOR), state.units));
  const soil = switchValue(section, `${tool.id}-soil`);
  if (isHeavy(tool, items, soil)) {
    runInWorker(section, { kind: 'tool', tool: tool.id, items: items.join(SEPARATOR), units: state.units }, since);
    return;
  }
  cancelWork();
  show(section, JSON.parse(Module.runTool(tool.id, items.join(SEPARATOR), state.units)));
  state.timings.push({ tool: tool.id, ms: performance.now() - since });
}

// The page is written only where it changes: an update stays well under a
// millisecond.
function setText(element, text) {
  if (element.textContent !== text) element.textContent = text;
}
function setHidden(element, hidden) {
  if (element.hidden !== hidden) element.hidden = hidden;
}

function showProblem(section, message, quiet) {
  const problem = $('.problem', section);
  setText(problem, message || '');
  setHidden(problem, !message);
  problem.classList.toggle('quiet', Boolean(quiet));
}

// Paragraphs or list items, one a text, remade only when the texts change.
function fillList(list, texts, tag) {
  const key = texts.join('\n');
  if (list.dataset.key === key) return;
  list.dataset.key = key;
  list.replaceChildren(...texts.map((text) => make(tag || 'li', {}, text)));
}

function show(section, answer) {
  const output = $('output', section);
  const result = $('.result', section);
  result.classList.remove('stale');
  setHidden($('.status', section), true);
  for (const input of $$('[aria-invalid]', section)) clearFieldError(input);
  const ok = 'result' in answer;
  setText(output, ok ? answer.result : '');
  output.dataset.value = ok ? answer.value : '';
  setText($('.unit', section), ok && answer.value !== '' ? answer.unit : '');
  setHidden(result, !ok);
  // The first line of the text is the result; the rest says what it means.
  fillList($('.lines', section), ok ? answer.text.slice(1) : [], 'p');
  fillList($('.warnings', section), ok ? answer.warnings : []);
  fillList($('.notes', section), ok ? answer.notes.concat(answer.rejected || []) : []);
  const reason = $('.reason', section);
  setText(reason, ok && answer.reason ? answer.reason : '');
  setHidden(reason, !reason.textContent);
  showProblem(section, '');
  if (answer.errors) {
    // A field refused, or one not yet given: the message beside the field when
    // it has text; a quiet line under the form when it is only blank.
    for (const [name, message] of Object.entries(answer.errors)) {
      const input = $(`.fields [name="${name}"]`, section);
      if (input && input.value.trim() !== '') showFieldError(input, message);
      else showProblem(section, message, true);
    }
  }
  // A survey not begun is no error.
  const begun = section.dataset.tool !== 'survey' || $$('#survey-rows input').some((input) => input.value.trim());
  if (answer.error) showProblem(section, answer.error, !begun);
  if (section.dataset.tool === 'survey') showSurvey(section, ok ? answer : null);
}

let chartAddress = '';
function showSurvey(section, answer) {
  const figure = $('.chart', section);
  if (chartAddress) URL.revokeObjectURL(chartAddress);
  chartAddress = '';
  figure.hidden = !answer;
  $('#survey-use').disabled = !(answer && answer.json.layers);
  if (!answer) return;
  chartAddress = URL.createObjectURL(new Blob([answer.svg], { type: 'image/svg+xml' }));
  const image = $('#survey-chart');
  image.src = chartAddress;
  image.alt = `Chart of the survey: ${answer.result}`;
  section.dataset.layers = answer.json.layers || '';
}

// ---- The worker, for long work. ----

function startWorker() {
  const worker = new Worker('worker.js');
  worker.onmessage = (event) => {
    const { id, json } = event.data;
    state.busy = false;
    const pending = state.pending;
    if (!pending || id !== pending.id) return; // an answer overtaken by newer input
    state.pending = null;
    show(pending.section, JSON.parse(json));
    state.timings.push({ tool: pending.section.dataset.tool, ms: performance.now() - pending.since, worker: true });
  };
  worker.onerror = (event) => {
    event.preventDefault();
    const pending = state.pending;
    state.pending = null;
    state.worker = null;
    state.busy = false;
    worker.terminate();
    if (pending) {
      show(pending.section, {});
      showProblem(pending.section, `The calculation could not finish: ${event.message || 'the browser stopped it'}.`);
    }
  };
  return worker;
}

let workerTimer = 0;
// Work waiting or running is overtaken: its answer will not be shown.
function cancelWork() {
  clearTimeout(workerTimer);
  state.pending = null;
}

function runInWorker(section, job, since) {
  $('.result', section).classList.add('stale');
  const status = $('.status', section);
  status.textContent = 'Working…';
  status.hidden = false;
  clearTimeout(workerTimer);
  // Typing goes on: wait for a pause, then drop work already overtaken.
  workerTimer = setTimeout(() => {
    if (state.busy) {
      state.worker.terminate();
      state.worker = null;
    }
    if (!state.worker) state.worker = startWorker();
    state.job += 1;
    state.pending = { id: state.job, section, since };
    state.busy = true;
    state.worker.postMessage({ id: state.job, ...state.marks, ...job });
  }, 120);
}

// ---- Addresses: #tool?name=value&... ----

function currentTool() {
  const id = location.hash.slice(1).split('?')[0];
  return id === 'rod' || state.tools.some((tool) => tool.id === id) ? id : 'rod';
}

// The address follows the inputs, written when typing pauses (writing it
// costs more than a calculation).
let addressTimer = 0;
function writeAddress(tool, query) {
  const address = `#${tool.id}${query ? `?${query}` : ''}`;
  clearTimeout(addressTimer);
  addressTimer = setTimeout(() => {
    if (location.hash !== address) history.replaceState(null, '', address);
  }, 150);
}

// Sets a field by its name; false when the tool has no such field or the
// text is not one of a choice's.
function setField(section, name, text) {
  if (!toolOf(section).fields.some((field) => field.name === name)) return false;
  const input = $(`.fields [name="${name}"]`, section);
  if (!input) return false;
  if (input.tagName === 'SELECT') {
    if (!Array.from(input.options).some((option) => option.value === text)) return false;
    input.value = text;
  } else {
    input.value = Module.pageText(text);
  }
  return true;
}

// Fills a tool from its address; what cannot be used is named in a note.
function readAddress(section, query) {
  const tool = toolOf(section);
  const ignored = [];
  let params;
  try {
    params = new URLSearchParams(query);
  } catch (error) {
    params = new URLSearchParams();
    ignored.push(query);
  }
  // An address says its units; without them they are the command line's default.
  if (query) setUnits(params.get('units') === 'metric' ? METRIC : ENGLISH);
  for (const [name, value] of params) {
    if (value.length > 200 || /[\x00-\x1f]/.test(value)) {
      ignored.push(name);
    } else if (name === 'units' && (value === 'english' || value === 'metric')) {
      // read above
    } else if (name === 'layers' && tool.fields.some((field) => field.soil)) {
      const parts = value.split(',');
      if (parts.length !== 3) {
        ignored.push(`${name}=${value}`);
        continue;
      }
      ['rho1', 'h', 'rho2'].forEach((field, index) => setField(section, field, parts[index]));
      setSwitch(section, `${tool.id}-soil`, 'layers');
    } else if (setField(section, name, value)) {
      if (name === 'rho') setSwitch(section, `${tool.id}-soil`, 'uniform');
      if (name === 'rho1' || name === 'h' || name === 'rho2') setSwitch(section, `${tool.id}-soil`, 'layers');
    } else {
      ignored.push(value ? `${name}=${value}` : name);
    }
  }
  const note = $('.address-note', section);
  note.textContent = ignored.length ? `Not used from the address: ${ignored.join(', ')}.` : '';
  note.hidden = !ignored.length;
}

function setUnits(units) {
  state.units = units;
  localStorage.setItem('ostrevin.units', String(units));
  for (const tool of state.tools) {
    const section = $(`#tool-${tool.id}`);
    setSwitch(section, `${tool.id}-units`, units);
    for (const field of tool.fields) {
      const label = $(`label[for="${fieldId(tool, field.name)}"]`);
      if (label) label.textContent = fieldLabel(field);
    }
  }
  surveyUnits();
}

function route(moveFocus) {
  clearTimeout(addressTimer); // the address of the tool left is not written over this one
  const id = currentTool();
  $$('.tool').forEach((section) => { section.hidden = section.dataset.tool !== id; });
  $$('#tool-list a').forEach((link) => {
    if (link.getAttribute('href') === `#${id}`) link.setAttribute('aria-current', 'page');
    else link.removeAttribute('aria-current');
  });
  const section = $(`#tool-${id}`);
  if (id === 'rod') {
    document.title = 'Ostrevin';
  } else {
    const tool = toolOf(section);
    document.title = `${tool.title} · Ostrevin`;
    const query = location.hash.split('?').slice(1).join('?');
    readAddress(section, query);
    update(section);
  }
  if (moveFocus) $('h2', section).focus();
}

// ---- Start. ----

function wireTool(section) {
  const tool = toolOf(section);
  section.addEventListener('input', (event) => update(section, event));
  section.addEventListener('change', (event) => {
    if (event.target.tagName === 'SELECT') update(section, event);
  });
  section.addEventListener('click', (event) => {
    const button = event.target.closest('button');
    if (!button) return;
    const group = button.closest('[data-switch]');
    if (group && group.dataset.switch === `${tool.id}-units`) {
      setUnits(Number(button.dataset.choice));
      update(section, event);
    } else if (group) {
      setSwitch(section, group.dataset.switch, button.dataset.choice);
      update(section, event);
    } else if (button.id === 'survey-add') {
      $('input', addSurveyRow()).focus();
    } else if (button.classList.contains('remove')) {
      const row = button.closest('tr');
      const next = row.nextElementSibling || row.previousElementSibling;
      row.remove();
      renumberSurvey();
      if (next) $('input', next).focus();
      else $('#survey-add').focus();
      update(section, event);
    } else if (button.id === 'survey-use') {
      useSurveySoil(section.dataset.layers);
    }
  });
  // Enter moves on, as the keypad's Next does; the answer is already there.
  section.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter' || event.target.tagName !== 'INPUT') return;
    event.preventDefault();
    const inputs = $$('input', section).filter((input) => !input.closest('[hidden]'));
    const next = inputs[inputs.indexOf(event.target) + 1];
    if (next) next.focus();
    else if (section.dataset.tool === 'survey') $('input', addSurveyRow()).focus();
  });
}

// The survey's model in every tool with a soil, and on to the 25-ohm check.
function useSurveySoil(layers) {
  if (!layers) return;
  const parts = layers.split(',');
  for (const tool of state.tools) {
    const section = $(`#tool-${tool.id}`);
    if (!tool.fields.some((field) => field.soil)) continue;
    ['rho1', 'h', 'rho2'].forEach((name, index) => setField(section, name, parts[index]));
    setSwitch(section, `${tool.id}-soil`, 'layers');
  }
  location.hash = '#check';
}

function start() {
  state.tools = JSON.parse(Module.describeTools()).tools;
  const list = $('#tool-list');
  const holder = $('#tools');
  for (const tool of state.tools) {
    list.append(make('li', {}, make('a', { href: `#${tool.id}` }, tool.title)));
    const section = makeTool(tool);
    holder.append(section);
    wireTool(section);
  }
  for (const row of surveyRows()) addSurveyRow(row);
  if (!$('#survey-rows').rows.length) for (let i = 0; i < 3; ++i) addSurveyRow();
  surveyUnits();
  wireRod();
  window.addEventListener('hashchange', () => route(true));
  window.addEventListener('beforeprint', () => {
    $('[data-print-date]').textContent = `Printed ${new Date().toLocaleString(navigator.language)} from ${location.href}`;
    $$('details.source').forEach((details) => { details.dataset.wasOpen = details.open; details.open = true; });
  });
  window.addEventListener('afterprint', () => {
    $$('details.source').forEach((details) => { details.open = details.dataset.wasOpen === 'true'; });
  });
  route(false);
  $('#calculator').setAttribute('aria-busy', 'false');
  document.documentElement.classList.add('ready');
}

// What the form's window in WebAssembly calls, and the timings for the tests.
Object.assign(window, {
  ostrevinReadControls, ostrevinWriteControls, ostrevinMarkRefused, ostrevinFocus, ostrevinPrompt,
  ostrevinTimings: state.timings,
});

if ('serviceWorker' in navigator) {
  window.addEventListener('load', () => {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  });
}
})();

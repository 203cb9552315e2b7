// The tools beyond One rod, each made from the library's description of it
// (fields, labels, units, ranges, help) and answered by the library: the
// page lays them out, sends the inputs as typed (with the page's number
// marks) and shows the answer. Long work goes to the worker.
import { $, $$, chartFigure, clearFieldError, describe, fillList, make, setHidden, setText, showFieldError, tableButton } from './dom.js';
import { readAddress, writeAddress } from './address.js';
import { keep, readKept } from './storage.js';
import { LongWork } from './engine.js';
import { ENGLISH, METRIC, THEMES, phoneRegion, state, toolOf } from './state.js';
import * as survey from './survey.js';
import { conductors, conductorUnits, makeConductorTable, startConductors } from './conductors.js';
import * as fieldTest from './fieldtest.js';
import { commandLineRows, layerRows, makeLayersField, relabelLayers, setLayerRows, startLayers } from './layers.js';
import { share } from './job.js';

// The tools whose rows are typed into a table, and that table.
const TABLES = { survey: survey.readings, electrodes: conductors, test: fieldTest.readings };
// The tools of conductors: always worked in the worker, with a plan and a map.
const ELECTRODES = ['strip', 'ring', 'grid', 'safety', 'electrodes'];
// The tools whose answer has a plan beside it: the groups and the electrodes.
const PLANNED = ['group', 'rods', ...ELECTRODES];

// A group of more rods than this, or in two layers, is worked in the worker.
const MANY_RODS = 20;

const fieldId = (tool, name) => `${tool.id}-${name}`;

// A field's unit in the answers' system (what a bare number means to the library).
function unitOf(field) {
  return field.unit[state.units === METRIC ? 'metric' : 'english'];
}

// The unit a field is typed in: its picker's, else the system's.
function typedUnit(field, picker) {
  return picker ? picker.value : unitOf(field);
}

function fieldLabel(field, picker) {
  const unit = typedUnit(field, picker);
  return unit ? `${field.label} (${unit})` : field.label;
}

const pickerOf = (section, name) => $(`.fields [data-field="${name}"] .unit-pick`, section);

// Whether a value carries its unit: letters (and dashes within them) at
// its end, as the library reads a unit ("20ohm-m", "16 mm"); the e of
// "1e2" is an exponent, not a unit.
export function hasUnit(text) {
  return /[a-z][a-z-]*$/i.test(text.trim());
}

// A number typed without a unit is in its picker's unit: said to the library
// when that is not the system's own (so that the library's hints about a
// bare number typical of the other system still come).
function typedIn(field, picker, text) {
  if (!picker || !text.trim() || hasUnit(text) || picker.value === unitOf(field)) return text;
  return `${text.trim()}${picker.value}`;
}

function relabel(section, field) {
  const label = $(`label[for="${fieldId(toolOf(section), field.name)}"]`, section);
  if (label) label.textContent = fieldLabel(field, pickerOf(section, field.name));
}

function setPicker(picker, unit) {
  if (picker && Array.from(picker.options).some((option) => option.value === unit)) picker.value = unit;
}

// A unit picked for one field is picked for every field that measures the
// same, in every tool, and remembered.
function pickUnit(dimension, unit) {
  state.picked[dimension] = unit;
  keep('ostrevin.picked', JSON.stringify(state.picked));
  for (const tool of state.tools) {
    const section = $(`#tool-${tool.id}`);
    for (const field of tool.fields) {
      if (field.dimension !== dimension) continue;
      setPicker(pickerOf(section, field.name), unit);
      relabel(section, field);
    }
    $$('.layers-field', section).forEach(relabelLayers);
  }
}

// The code a rod is checked by where the phone is: the US code in the United
// States, BS 7671 in the United Kingdom, IEC 60364 elsewhere.
function countryCode() {
  const region = phoneRegion();
  if (region === 'US') return 'nec';
  return region === 'GB' ? 'bs7671' : 'iec60364';
}

// CENELEC's members, whose standard for earthing above 1 kV is EN 50522.
const CENELEC = ['AT', 'BE', 'BG', 'HR', 'CY', 'CZ', 'DK', 'EE', 'FI', 'FR', 'DE', 'GR', 'HU', 'IS',
  'IE', 'IT', 'LV', 'LT', 'LU', 'MT', 'NL', 'NO', 'PL', 'PT', 'MK', 'RO', 'RS', 'SK', 'SI', 'ES', 'SE',
  'CH', 'TR', 'GB'];
const STANDARD_KEY = 'ostrevin.standard';

// The safety standard: the one picked on this device, else the country's
// (EN 50522 in CENELEC's members, IEEE 80 elsewhere).
function countryStandard() {
  const kept = readKept(STANDARD_KEY);
  if (kept === 'ieee80' || kept === 'en50522') return kept;
  return CENELEC.includes(phoneRegion()) ? 'en50522' : 'ieee80';
}

function makeField(tool, field) {
  if (field.soil === 'stack') return makeLayersField(tool, field);
  const id = fieldId(tool, field.name);
  const label = make('label', { for: id }, fieldLabel(field));
  const help = make('p', { id: `${id}-help`, class: 'help' },
    field.help + (field.example ? `; for example ${field.example}` : ''));
  let input;
  if (field.kind === 'choice') {
    input = make('select', { id, name: field.name });
    if (!field.required) input.append(make('option', { value: '' }, 'Default'));
    for (const choice of field.choices) input.append(make('option', { value: choice }, choice));
    if (field.name === 'code') input.value = countryCode();
    if (field.name === 'standard') input.value = countryStandard();
  } else {
    input = make('input', {
      id, name: field.name, autocomplete: 'off', spellcheck: 'false', enterkeyhint: 'done',
      inputmode: field.kind === 'count' ? 'numeric' : field.kind === 'number' ? 'decimal' : 'text',
    });
  }
  let typed = input;
  if (field.pickUnits) {
    const picker = make('select', { id: `${id}-unit`, class: 'unit-pick', 'data-dimension': field.dimension,
      'aria-label': `${field.label}: unit` }, ...field.pickUnits.map((unit) => make('option', { value: unit }, unit)));
    setPicker(picker, state.picked[field.dimension]);
    label.textContent = fieldLabel(field, picker);
    typed = make('div', { class: 'with-unit' }, input, picker);
  }
  const holder = make('div', {
    class: 'field', 'data-field': field.name, 'data-soil': field.soil,
  }, label, typed, make('p', { id: `${id}-error`, class: 'error', hidden: true }), help);
  describe(input);
  if (field.name === 'rho') holder.append(...makeSoilTypes(tool));
  return holder;
}

// Where no measurement exists: a soil's type gives an estimate of its
// resistivity (the library's table, with its ranges and source).
function makeSoilTypes(tool) {
  const id = `${tool.id}-soil-type`;
  const select = make('select', { id, class: 'soil-type' },
    make('option', { value: '' }, 'Measured (no estimate)'));
  state.described.soilTypes.forEach((type, index) => {
    select.append(make('option', { value: String(index) },
      `${type.name}: ${type.min} to ${type.max} ohm-cm`));
  });
  return [make('label', { for: id }, 'Or estimate it from the soil type'), select];
}

// The estimate chosen: the resistivity filled with the type's typical value.
function useSoilType(section, select) {
  const type = state.described.soilTypes[Number(select.value)];
  const rho = $('.fields [name="rho"]', section);
  if (!type || !rho) {
    delete section.dataset.estimate;
    return;
  }
  rho.value = String(type.typical);
  setPicker(pickerOf(section, 'rho'), 'ohm-cm');
  relabel(section, toolOf(section).fields.find((field) => field.name === 'rho'));
  section.dataset.estimate = JSON.stringify({ value: rho.value, type });
}

// The note that marks a result worked from an estimate (while the field
// still holds it).
function estimateNote(section) {
  if (!section.dataset.estimate) return [];
  const { value, type } = JSON.parse(section.dataset.estimate);
  const rho = $('.fields [name="rho"]', section);
  if (!rho || rho.value !== value || rho.closest('[hidden]')) return [];
  return [`Estimate: the soil resistivity is typical of ${type.name} (${type.min} to ${type.max} ohm-cm, ` +
    'IEEE Std 142-2007), not measured: measure the soil before relying on the result.'];
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

export function setSwitch(section, name, value) {
  $$(`[data-switch="${name}"] [role=radio]`, section).forEach((button) => {
    const on = button.dataset.choice === String(value);
    button.setAttribute('aria-checked', on ? 'true' : 'false');
    button.tabIndex = on ? 0 : -1;
  });
}

// The answer and its verdict first, above the fields, in a bar that stays
// at the top of the screen while a field is edited; a unit question above it.
function makeAnswerBar(tool) {
  return make('div', { class: 'answer-bar' },
    make('div', { class: 'questions', 'aria-live': 'polite' }),
    make('p', { class: 'result', 'aria-live': 'polite' },
      make('output', { id: `${tool.id}-result`, 'data-value': '', for: '' }),
      make('span', { class: 'unit' }),
      make('span', { class: 'status', hidden: true },
        make('span', { class: 'status-text' }),
        make('progress', { max: 1, value: 0, hidden: true, 'aria-label': 'Done so far' }),
        make('button', { type: 'button', class: 'cancel' }, 'Cancel'))),
    make('p', { class: 'verdict', hidden: true }));
}

// The rest of the answer: the criteria judged first, then what it means.
function makeOutcome(tool) {
  return make('div', { class: 'outcome' },
    make('div', { class: 'answer-summary table-holder', hidden: true, tabindex: 0, role: 'region', 'aria-label': 'The criteria judged' }),
    tool.id === 'check'
      ? make('p', { class: 'next', hidden: true }, 'What to do next, with these values: ',
        make('a', { href: '#group' }, 'a rod group'), ' or ',
        make('a', { href: '#rods', 'data-target': '25' }, 'how many rods reach 25 ohms'), '.')
      : null,
    make('p', { class: 'problem', hidden: true }),
    make('div', { class: 'lines' }),
    make('div', { class: 'answer-table table-holder', hidden: true, tabindex: 0, role: 'region', 'aria-label': 'The answer\'s table' }),
    tool.id === 'survey'
      ? make('div', { class: 'models-table table-holder', hidden: true, tabindex: 0, role: 'region', 'aria-label': 'Every count of layers fitted' })
      : null,
    make('ul', { class: 'warnings' }),
    make('ul', { class: 'notes' }),
    make('p', { class: 'reason', 'data-reason': true, hidden: true }),
    make('p', { class: 'address-note', hidden: true }),
    PLANNED.includes(tool.id) ? makeFigures(tool) : null);
}

// An electrode's plan and, with a current, the surface's potential.
function makeFigures(tool) {
  const figure = (name, caption) => chartFigure(`${tool.id}-${name}`, caption, name);
  return make('div', { class: 'figures' },
    figure('plan', 'The plan: conductors, rods as dots, the outline dashed.'),
    figure('map', 'The surface potential for the current given: bands of equal potential, the electrode over them.'),
    figure('touch', 'The touch voltage: the red contour is the tolerable one; the worst places marked.'));
}

const pictureAddresses = new Map();
function showPicture(section, name, svg, alt) {
  const figure = $(`.chart.${name}`, section);
  if (!figure) return;
  const key = `${section.dataset.tool}-${name}`;
  if (pictureAddresses.has(key)) URL.revokeObjectURL(pictureAddresses.get(key));
  pictureAddresses.delete(key);
  setHidden(figure, !svg);
  if (!svg) return;
  const address = URL.createObjectURL(new Blob([svg], { type: 'image/svg+xml' }));
  pictureAddresses.set(key, address);
  const image = $('img', figure);
  image.src = address;
  image.svgText = svg;
  image.alt = alt;
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
    const soils = [['uniform', 'Uniform'], ['layers', 'Two layers']];
    if (tool.fields.some((field) => field.soil === 'stack')) soils.push(['stack', 'More layers']);
    switches.append(makeSwitch('Soil', `${tool.id}-soil`, soils, 'uniform'));
  }
  section.append(switches, makeAnswerBar(tool));
  if (tool.id === 'survey') {
    section.append(survey.makeSurveyTable());
  } else {
    if (tool.id === 'electrodes') section.append(makeConductorTable());
    if (tool.id === 'test') section.append(fieldTest.makeTestTable());
    const fields = make('div', { class: 'fields' });
    for (const field of tool.fields) fields.append(makeField(tool, field));
    section.append(fields);
    $$('.layers-field', fields).forEach(startLayers);
  }
  section.append(makeOutcome(tool));
  if (tool.id === 'survey') section.append(survey.makeSurveyChart());
  if (tool.id === 'test') section.append(fieldTest.makeTestChart());
  section.append(
    make('div', { class: 'share-row' },
      make('button', { type: 'button', class: 'share' }, 'Share'),
      make('span', { class: 'share-note', role: 'status' })),
    makeFormula(tool));
  return section;
}

// ---- Updating a tool. ----

// The fields shown and their texts, as an object {name: text}.
function inputsOf(section) {
  const tool = toolOf(section);
  const soil = switchValue(section, `${tool.id}-soil`);
  const chosen = (name) => ($(`select[name="${name}"]`, section) || {}).value;
  const inputs = {};
  for (const field of tool.fields) {
    const holder = $(`[data-field="${field.name}"]`, section);
    const shown = (!field.soil || field.soil === soil) &&
      (!field.when || field.when.values.includes(chosen(field.when.field)));
    setHidden(holder, !shown);
    if (shown) inputs[field.name] = typedIn(field, $('.unit-pick', holder), $(`[name="${field.name}"]`, holder).value);
  }
  return inputs;
}

// The answers' units as the library takes them: metric with a resistivity
// found in ohm-m (2) where the resistivity is picked in ohm-m.
function answerUnits() {
  return state.units === METRIC && state.picked.resistivity === 'ohm-m' ? 2 : state.units;
}

// Whether the update may take long: then it runs in the worker.
function isHeavy(tool, inputs, soil) {
  if (tool.id === 'rods' || tool.id === 'survey' || tool.id === 'test' || ELECTRODES.includes(tool.id)) {
    return true;
  }
  if (tool.id !== 'group') return false;
  if (soil === 'layers') return true;
  // A count as the page's language writes it (1,000 in English, 1.000 in
  // German); one that cannot be read is worked as if it were many.
  const count = (name) => {
    const text = String(inputs[name] || '').trim();
    if (!text) return 0;
    const n = Number(text.split(state.marks.group || ',').join('').replace(state.marks.decimal, '.'));
    return Number.isFinite(n) ? n : Infinity;
  };
  const points = inputs.at ? inputs.at.trim().split(/\s+/).length : 0;
  return Math.max(count('rods'), 4 * count('per-side'), points) > MANY_RODS;
}

export const work = new LongWork({
  onAnswer(section, answer, since) {
    show(section, answer);
    state.timings.push({ tool: section.dataset.tool, ms: performance.now() - since, worker: true });
  },
  onFailure(section, message) {
    show(section, {});
    showProblem(section, message);
  },
});

export function update(section, event) {
  const tool = toolOf(section);
  const since = event && event.timeStamp ? event.timeStamp : performance.now();
  const inputs = tool.id === 'survey' ? {} : inputsOf(section);
  const table = TABLES[tool.id];
  if (table) {
    const rows = table.rows();
    writeAddress(tool, inputs, rows);
    // A chart drawn for the width it is shown at: its text at its size on a phone.
    const width = Math.floor(($('.survey', section) || section).clientWidth) - 2;
    work.run(section, { kind: tool.id, rows, inputs, units: answerUnits(), width }, since);
    return;
  }
  writeAddress(tool, inputs);
  const soil = switchValue(section, `${tool.id}-soil`);
  // Drawings made for the width they are shown at (a desk's at its own size).
  // Reading the width lays the page out: only a tool with a plan asks it.
  const shownWidth = PLANNED.includes(tool.id) ? Math.floor(section.clientWidth) - 2 : 0;
  const width = shownWidth < 900 ? shownWidth : 0;
  if (isHeavy(tool, inputs, soil)) {
    work.run(section, { kind: 'tool', tool: tool.id, inputs, units: answerUnits(), width }, since);
    return;
  }
  work.cancel();
  show(section, JSON.parse(state.engine.runTool(tool.id, inputs, answerUnits(), null, width)));
  state.timings.push({ tool: tool.id, ms: performance.now() - since });
}

export function showProblem(section, message, quiet) {
  const problem = $('.problem', section);
  setText(problem, message || '');
  setHidden(problem, !message);
  problem.classList.toggle('quiet', Boolean(quiet));
}

export function show(section, answer) {
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
  showSummary($('.answer-summary', section), ok ? answer : null);
  showTable($('.answer-table', section), ok ? answer.table : null);
  const models = $('.models-table', section);
  if (models) showTable(models, ok && answer.models ? answer.models : null, 'models');
  fillList($('.warnings', section), ok ? answer.warnings : []);
  // A unit question stands above the result it may make wrong, with the fix a tap away.
  const questions = ok ? answer.notes.map((note) => questionOf(section, note)).filter(Boolean) : [];
  showQuestions(section, questions);
  const asked = new Set(questions.map((question) => question.text));
  fillList($('.notes', section), ok ? estimateNote(section).concat(
    answer.notes.filter((note) => !asked.has(note)), answer.rejected || []) : []);
  showVerdict($('.verdict', section), ok ? verdictOf(answer.json) : null);
  const next = $('.next', section);
  if (next) {
    setHidden(next, !(ok && answer.json && answer.json.sufficient === false));
    // How many rods reach the rule's limit: 25 ohms, or the RCD's.
    const limit = ok && answer.json && answer.json.limit_ohms;
    const link = $('a[data-target]', next);
    if (limit) {
      link.dataset.target = String(Math.floor(limit * 1000) / 1000);
      link.textContent = `how many rods reach ${state.engine.pageText(link.dataset.target)} ohms`;
    }
  }
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
  // A survey or a test not begun is no error.
  const table = TABLES[section.dataset.tool];
  const begun = !table || section.dataset.tool === 'electrodes' ||
    table.rows().some((row) => row.some((cell) => cell.trim()));
  if (answer.error) showProblem(section, answer.error, !begun);
  if (section.dataset.tool === 'survey') survey.showSurvey(section, ok ? answer : null);
  if (section.dataset.tool === 'test') fieldTest.showTest(ok ? answer : null);
  const title = $('h2', section).textContent;
  if (ok && answer.value !== '' && answer.unit === 'ohms' && fieldTest.DESIGNS.includes(section.dataset.tool)) {
    fieldTest.noteDesign(title, answer.value);
  }
  showPicture(section, 'plan', ok ? answer.plan : '', `Plan of the ${title.toLowerCase()}`);
  showPicture(section, 'map', ok ? answer.map : '', `Surface potential over the ${title.toLowerCase()}`);
  showPicture(section, 'touch', ok ? answer.touch : '', `Touch voltage over the ${title.toLowerCase()}`);
}

// A table of the answer (the survey's readings against its model, the
// design's candidates) as a table: a heading a column, cells right-aligned.
// Whether a table's holder must be drawn again for `content` (hidden and
// emptied when there is none); a table is remade only when it changes.
function redraws(holder, content) {
  const key = content ? JSON.stringify(content) : '';
  if (holder.dataset.key === key) return false;
  holder.dataset.key = key;
  setHidden(holder, !content);
  if (!content) holder.replaceChildren();
  return Boolean(content);
}

function showTable(holder, table, name = 'table') {
  if (!redraws(holder, table)) return;
  // A row that stands out (the survey's outliers) is marked as such.
  const outlier = table.columns.indexOf('outlier');
  // A heading's unit ("rho, ohm-cm") stays whole when the heading wraps.
  const heading = (cell) => {
    const unit = /^(.*, )(\S+)$/.exec(cell);
    return make('th', { scope: 'col' }, ...(unit ? [unit[1], make('span', { class: 'unit-name' }, unit[2])] : [cell]));
  };
  const row = (cells, tag) => make('tr', { class: tag === 'td' && outlier >= 0 && cells[outlier] === 'yes' ? 'outlier' : null },
    ...cells.map((cell) => (tag === 'th' ? heading(cell) : make(tag, {}, cell))));
  holder.replaceChildren(make('table', {},
    make('thead', {}, row(table.columns, 'th')),
    make('tbody', {}, ...table.rows.map((cells) => row(cells, 'td')))),
  tableButton(`${holder.closest('section').dataset.tool}-${name}`, [table.columns, ...table.rows]));
}

// The criteria judged (value, limit, margin, pass or fail) and the verdict
// in words, above the details; hidden when nothing is judged.
function showSummary(holder, answer) {
  const criteria = answer && answer.summary;
  if (!redraws(holder, criteria)) return;
  const head = ['Criterion', 'Value', 'Limit', 'Margin', 'Result'];
  // The result as a mark that fits a phone's width, its word for a screen reader.
  const mark = { pass: '✓', fail: '✗' };
  holder.replaceChildren(make('table', {},
    make('thead', {}, make('tr', {}, ...head.map((cell) => make('th', { scope: 'col', class: cell === 'Margin' ? 'margin' : null }, cell)))),
    make('tbody', {}, ...criteria.map((row) => make('tr', {},
      make('th', { scope: 'row' }, row.quantity), make('td', {}, row.value),
      make('td', {}, row.limit || '-'), make('td', { class: 'margin' }, row.margin || '-'),
      make('td', { class: row.result, title: row.result }, mark[row.result] || '–',
        make('span', { class: 'visually-hidden' }, row.result)))))),
  make('p', { class: 'summary-verdict' }, answer.verdict),
  tableButton(`${holder.closest('section').dataset.tool}-summary`,
    [['quantity', 'value', 'limit', 'margin', 'result'],
      ...criteria.map((c) => [c.quantity, c.value, c.limit, c.margin, c.result])]));
}

// A note that asks whether a value was meant in the other units ("Rod
// diameter 0.625 is a 625 mm rod: did you mean 0.625in?"): its field, by
// the label the library names it with, and the text that would fix it.
function questionOf(section, note) {
  const asked = /: did you mean (\S+)\?$/.exec(note);
  if (!asked) return null;
  const field = toolOf(section).fields.find((f) => note.startsWith(`${f.label} `));
  const input = field && $(`.fields [name="${field.name}"]`, section);
  if (!input) return null;
  return { text: note, input, fix: state.engine.pageText(asked[1]) };
}

function showQuestions(section, questions) {
  const holder = $('.questions', section);
  holder.replaceChildren(...questions.map((question) => {
    const button = make('button', { type: 'button', class: 'fix' }, `Use ${question.fix}`);
    button.addEventListener('click', (event) => {
      question.input.value = question.fix;
      update(section, event);
      question.input.focus();
    });
    return make('div', { class: 'question', role: 'alert' }, make('p', {}, question.text), button);
  }));
}

// A verdict drawn as such: colour, a mark and words (never colour alone).
// The code check's (the US 25-ohm rule, or the RCD rule), and an
// electrode's touch and step by the solver.
function verdictOf(json) {
  if (!json) return null;
  if (typeof json.sufficient === 'boolean' && json.code && json.code !== 'nec') {
    const limit = String(Number(json.limit_ohms.toPrecision(5)));  // as the criteria show it: 83.333
    const rule = `${json.code_clause}'s ${state.engine.pageText(limit)} ohms`;
    return json.sufficient
      ? { pass: true, text: `Passes: one rod meets ${rule}` }
      : { pass: false, text: `Fails ${rule}: more rods or a longer one are needed` };
  }
  if (typeof json.sufficient === 'boolean') {
    return json.sufficient
      ? { pass: true, text: 'Passes: one rod meets the 25-ohm rule' }
      : { pass: false, text: 'Fails the 25-ohm rule: a second electrode is needed' };
  }
  if (typeof json.verdict === 'string') {
    return json.verdict === 'safe'
      ? { pass: true, text: 'Safe: touch and step within what a body can stand' }
      : { pass: false, text: `Not safe: ${json.verdict}` };
  }
  return null;
}

function showVerdict(holder, verdict) {
  setHidden(holder, !verdict);
  holder.classList.toggle('pass', Boolean(verdict && verdict.pass));
  holder.classList.toggle('fail', Boolean(verdict && !verdict.pass));
  setText(holder, verdict ? `${verdict.pass ? '✓' : '✗'} ${verdict.text}` : '');
}

// Cancel: the worker ended, the old answer left as it was, out of date.
function cancel(section) {
  work.cancel();
  const status = $('.status', section);
  $('.status-text', status).textContent = 'Cancelled';
  $('progress', status).hidden = true;
  $('.cancel', status).hidden = true;
}

// ---- Fields set from outside: an address, the survey's soil. ----

// Sets a field by its name; false when the tool has no such field or the
// text is not one of a choice's. A bare number from outside (an address, in
// the command line's syntax) is in the system's unit: the field's picker says so.
// A value without its unit where that is `unit` ("420.85ohm-m" is 420.85
// beside ohm-m; "16mm" stays as it is beside m).
function withoutUnit(text, unit) {
  const trimmed = text.trim();
  const number = trimmed.slice(0, -unit.length).trim();
  return trimmed.endsWith(unit) && number && !hasUnit(number) ? number : text;
}

// A bare number in an address of the command line's si: ohm-m and mm.
const SI_UNITS = { resistivity: 'ohm-m', diameter: 'mm' };

// Sets a field to a text as the command line writes it: a bare number in
// the units the text is in (the system's own, or si's), its picker set to
// them; a number with the unit its picker shows, without it.
function setField(section, name, text, si = false) {
  const field = toolOf(section).fields.find((each) => each.name === name);
  if (!field) return false;
  if (field.soil === 'stack') {
    const holder = $(`.fields [data-field="${name}"]`, section);
    setLayerRows(holder, commandLineRows(holder, text, si));
    return true;
  }
  const input = $(`.fields [name="${name}"]`, section);
  if (!input) return false;
  if (input.tagName === 'SELECT' && !Array.from(input.options).some((option) => option.value === text)) {
    return false;
  }
  const picker = pickerOf(section, name);
  input.value = picker ? withoutUnit(text, picker.value) : text;
  if (picker && !hasUnit(text)) {
    setPicker(picker, (si && SI_UNITS[field.dimension]) || unitOf(field));
    relabel(section, field);
  }
  return true;
}

export function fillFromAddress(section, query) {
  const tool = toolOf(section);
  // An address is the whole of what it says: without a code or a standard
  // it is the command line's default (the NEC, IEEE 80), wherever it is opened.
  for (const name of ['code', 'standard']) {
    const select = $(`.fields select[name="${name}"]`, section);
    if (select && query) select.value = '';
  }
  readAddress(section, tool, query, {
    setUnits,
    setSoil: (soil) => setSwitch(section, `${tool.id}-soil`, soil),
    setField: (name, text, si) => setField(section, name, text, si),
    setRows: (rows) => TABLES[tool.id].showRows(section, rows),
  });
}

// A theme of units: the answers' system, and every picker its units.
export function setUnits(units) {
  state.units = units;
  keep('ostrevin.units', String(units));
  for (const tool of state.tools) setSwitch($(`#tool-${tool.id}`), `${tool.id}-units`, units);
  for (const [dimension, unit] of Object.entries(THEMES[units])) pickUnit(dimension, unit);
  survey.surveyUnits();
  conductorUnits();
  fieldTest.testUnits();
}

// The survey's soil in every tool with a soil, in the page's units; the
// survey stays open, and says where the soil went.
function useSurveySoil(section) {
  const use = section.survey && section.survey.use;
  if (!use) return;
  const names = [];
  for (const tool of state.tools) {
    const other = $(`#tool-${tool.id}`);
    if (!tool.fields.some((field) => field.soil)) continue;
    // Three layers and more to the solver's tools, which take them; two to the others.
    const stack = 'layers' in use && tool.fields.some((field) => field.soil === 'stack');
    for (const [name, text] of Object.entries(use)) {
      if (name !== 'layers' || stack) setField(other, name, text);
    }
    setSwitch(other, `${tool.id}-soil`, stack ? 'stack' : 'rho' in use ? 'uniform' : 'layers');
    names.push(tool.title);
  }
  const note = $('.copy-note', section);
  note.textContent = `This soil is now in: ${names.join(', ')}.`;
  note.hidden = false;
}

// ---- One state across tools: the soil, the rod and the layout typed in one
// tool are there in the next (a field of the same name and label). ----

const shared = new Map();  // name -> {label, value}; 'soil' -> {value}

function keepShared(section, target) {
  const field = toolOf(section).fields.find((f) => f.name === target.name);
  const picker = field && pickerOf(section, field.name);
  if (field && target.closest('.fields')) {
    const rows = field.soil === 'stack' ? layerRows(target.closest('.field')) : undefined;
    shared.set(field.name, { label: field.label, value: target.value, unit: picker ? picker.value : undefined, rows });
  }
}

// One rod's soil and rod, as the 25-ohm check names them (the rod's length
// is the one found when the form finds a length), when its units are the tools'.
export function shareRod(values, units) {
  if (units !== state.units) return;
  const check = state.tools.find((tool) => tool.id === 'check');
  for (const [name, value] of Object.entries(values)) {
    const field = check && check.fields.find((f) => f.name === name);
    if (field && value.trim() !== '') shared.set(name, { label: field.label, value: value.trim(), unit: unitOf(field) });
  }
}

// Before a tool reads its address (which wins): what the others were given.
export function carryShared(section) {
  const tool = toolOf(section);
  for (const field of tool.fields) {
    const kept = shared.get(field.name);
    if (!kept || (kept.label !== undefined && kept.label !== field.label)) continue;
    if (kept.rows) {
      setLayerRows($(`.fields [data-field="${field.name}"]`, section), kept.rows);
      continue;
    }
    const input = $(`.fields [name="${field.name}"]`, section);
    if (input && (input.tagName !== 'SELECT' || Array.from(input.options).some((o) => o.value === kept.value))) {
      input.value = kept.value;
      if (kept.unit) {
        setPicker(pickerOf(section, field.name), kept.unit);
        relabel(section, field);
      }
    }
  }
  if (shared.has('soil') && tool.fields.some((field) => field.soil)) {
    setSwitch(section, `${tool.id}-soil`, shared.get('soil').value);
  }
}

// ---- Making and wiring the tools. ----

function wireTool(section) {
  const tool = toolOf(section);
  const table = TABLES[tool.id];
  const edited = (event) => {
    if (table && event.target.closest('tbody')) table.keepRows(section, (message) => showProblem(section, message));
    // A layer's cell is the layers field's.
    const layers = event.target.closest('.layers-field');
    keepShared(section, layers ? $('input[name="layers"]', layers) : event.target);
    // Typed over, the resistivity is no longer the soil type's estimate.
    const type = $('.soil-type', section);
    if (type && event.target.name === 'rho' && section.dataset.estimate &&
        event.target.value !== JSON.parse(section.dataset.estimate).value) {
      type.value = '';
      delete section.dataset.estimate;
    }
    update(section, event);
  };
  section.addEventListener('input', edited);
  if (table) wireRows(section, table);
  section.addEventListener('change', (event) => {
    if (event.target.classList.contains('soil-type')) useSoilType(section, event.target);
    if (event.target.classList.contains('unit-pick')) {
      pickUnit(event.target.dataset.dimension, event.target.value);
      keepShared(section, $('input', event.target.closest('.field')));
    }
    if (event.target.name === 'standard' && event.target.value) keep(STANDARD_KEY, event.target.value);
    if (event.target.tagName === 'SELECT') update(section, event);
  });
  section.addEventListener('click', (event) => {
    const link = event.target.closest('a[data-target]');
    if (link) shared.set('target', { value: link.dataset.target });
    const button = event.target.closest('button');
    if (!button) return;
    const group = button.closest('[data-switch]');
    if (group && group.dataset.switch === `${tool.id}-units`) {
      setUnits(Number(button.dataset.choice));
      update(section, event);
    } else if (group) {
      setSwitch(section, group.dataset.switch, button.dataset.choice);
      if (group.dataset.switch === `${tool.id}-soil`) shared.set('soil', { value: button.dataset.choice });
      update(section, event);
    } else if (button.classList.contains('cancel')) {
      cancel(section);
    } else if (button.classList.contains('add-row')) {
      const row = table.addRow();
      if (row) $('input', row).focus();
    } else if (button.classList.contains('remove')) {
      const next = table.removeRow(button.closest('tr'));
      if (next) $('input', next).focus();
      else table.addButton.focus();
      table.keepRows(section, (message) => showProblem(section, message));
      update(section, event);
    } else if (button.id === 'survey-use') {
      useSurveySoil(section);
    } else if (button.id === 'survey-copy') {
      survey.copyLayers(section);
    } else if (button.classList.contains('share')) {
      share(document.title, (said) => setText($('.share-note', section), said));
    } else if (button.id === 'test-design') {
      if (fieldTest.carryDesign(section)) update(section, event);
    }
  });
  // Enter moves on, as the keypad's Next does; the answer is already there.
  section.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter' || event.target.tagName !== 'INPUT') return;
    event.preventDefault();
    const inputs = $$('input', section).filter((input) => !input.closest('[hidden]'));
    const next = inputs[inputs.indexOf(event.target) + 1];
    if (next) next.focus();
    else if (table && event.target.closest('tbody')) {
      const row = table.addRow();
      if (row) $('input', row).focus();
    }
  });
}

// A table's rows from a paste, a picked file or a file dropped on it: kept
// and computed as an edit would be.
function wireRows(section, table) {
  const took = (taken) => {
    if (!taken) return;
    table.keepRows(section, (message) => showProblem(section, message));
    update(section);
  };
  section.addEventListener('paste', (event) => {
    if (event.target.closest('tbody')) took(table.pasted(section, event));
  });
  const picker = $('.rows-file', section);
  $('.open-rows', section).addEventListener('click', () => picker.click());
  picker.addEventListener('change', async () => {
    const file = picker.files[0];
    picker.value = '';
    if (file) took(await table.takeFile(section, file));
  });
  const holder = $('.survey', section);
  holder.addEventListener('dragover', (event) => {
    if ([...event.dataTransfer.items].some((item) => item.kind === 'file')) event.preventDefault();
  });
  holder.addEventListener('drop', async (event) => {
    const file = [...event.dataTransfer.files].find((f) => !/\.json$/i.test(f.name));
    if (!file) return;
    event.preventDefault();
    event.stopPropagation();
    took(await table.takeFile(section, file));
  });
}

// A drawing opened in the electrodes tool is read with its inputs (sizes, units).
conductors.inputsOf = (section) => inputsOf(section);

export function makeTools() {
  const list = $('#tool-list');
  const holder = $('#tools');
  for (const tool of state.tools) {
    list.append(make('li', {}, make('a', { href: `#${tool.id}` }, tool.title)));
    const section = makeTool(tool);
    holder.append(section);
    wireTool(section);
    if (tool.id === 'survey') survey.startSurvey(section);
    if (tool.id === 'electrodes') startConductors(section);
    if (tool.id === 'test') fieldTest.startTest(section);
  }
}

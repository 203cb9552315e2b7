// The fall-of-potential test's table of readings (kept as table.js keeps
// rows), its chart, and the design's resistance carried from the tool that
// designed the electrode.
import { $, chartFigure, make } from './dom.js';
import { METRIC, state } from './state.js';
import { RowsTable } from './table.js';

export const readings = new RowsTable({
  tool: 'test',
  key: 'ostrevin.test',
  id: 'test-rows',
  noun: 'reading',
  caption: 'Readings: the potential probe\'s distance from the electrode\'s centre, and the instrument\'s reading',
  addId: 'test-add',
  addLabel: 'Add a reading',
  columns: [
    { name: 'distance', label: 'Distance', unit: 'length' },
    { name: 'reading', label: 'Reading', unit: 'ohms' },
  ],
});

// The tools whose answer is an electrode's resistance: the design a test checks.
export const DESIGNS = ['check', 'group', 'strip', 'ring', 'grid', 'safety', 'electrodes'];

export function makeTestTable() {
  const { table, add, open, notes } = readings.make();
  const compare = make('button', { type: 'button', id: 'test-design', disabled: true },
    'Compare with the design');
  return make('div', { class: 'survey' },
    make('p', { class: 'storage-note', role: 'status', hidden: true }),
    table, make('div', { class: 'row-buttons' }, add, ...open, compare), ...notes,
    make('p', { class: 'design-note', hidden: true }));
}

// The chart, under the answer.
export function makeTestChart() {
  return chartFigure('test-chart',
    'Reading against distance: the readings, the fitted profile, the 61.8 % point and the plateau\'s band.');
}

export function testUnits() { readings.showUnits(state.units === METRIC); }

export function startTest(section) {
  readings.start(section, 3);
  testUnits();
}

// The last design answered in another tool: its title and resistance.
let design = null;
export function noteDesign(title, value) {
  design = { title, value };
  const button = $('#test-design');
  if (button) button.disabled = false;
}

// The design's resistance into the test's field; false when there is none.
export function carryDesign(section) {
  if (!design) return false;
  $('[name="design-ohms"]', section).value = design.value;
  const note = $('.design-note', section);
  note.textContent = `The design: the ${design.title} tool's ${design.value} ohms.`;
  note.hidden = false;
  return true;
}

let chartAddress = '';
export function showTest(answer) {
  const figure = $('#test-chart').closest('figure');
  if (chartAddress) URL.revokeObjectURL(chartAddress);
  chartAddress = '';
  figure.hidden = !answer;
  if (!answer) return;
  chartAddress = URL.createObjectURL(new Blob([answer.svg], { type: 'image/svg+xml' }));
  const image = $('#test-chart');
  image.src = chartAddress;
  image.svgText = answer.svg;
  image.alt = `Chart of the test: ${answer.result}`;
}

// The survey's table of readings (kept as table.js keeps rows), its chart,
// and its soil handed on to the rod tools.
import { $, chartFigure, make } from './dom.js';
import { METRIC, state } from './state.js';
import { RowsTable } from './table.js';

export const readings = new RowsTable({
  tool: 'survey',
  key: 'ostrevin.survey',
  id: 'survey-rows',
  noun: 'reading',
  caption: 'Readings: probe spacing, the instrument\'s reading (or the apparent resistivity) and, for probes driven deep, their depth',
  addId: 'survey-add',
  addLabel: 'Add a reading',
  columns: [
    { name: 'spacing', label: 'Spacing', unit: 'length' },
    { name: 'reading', label: 'Reading', unit: 'ohms' },
    { name: 'depth', label: 'Depth', unit: 'length' },
    { name: 'rho', label: 'Rho', unit: 'rho' },
  ],
});

export function makeSurveyTable() {
  const { table, add, open, notes } = readings.make();
  const use = make('button', { type: 'button', id: 'survey-use', class: 'primary', disabled: true },
    'Use this soil in the rod tools');
  const copy = make('button', { type: 'button', id: 'survey-copy', disabled: true },
    'Copy for the command line');
  return make('div', { class: 'survey' },
    make('p', { class: 'storage-note', role: 'status', hidden: true }),
    table, make('div', { class: 'row-buttons' }, add, ...open, use, copy), ...notes,
    make('p', { class: 'copy-note', role: 'status', hidden: true }));
}

// The chart, under the answer.
export function makeSurveyChart() {
  return chartFigure('survey-chart',
    'Apparent resistivity against spacing: the readings, the two-layer model and one uniform soil.');
}

// The model as the command line takes it (--layers RHO1,H,RHO2), copied;
// shown for copying by hand where the clipboard is refused.
export async function copyLayers(section) {
  const layers = section.survey && section.survey.json && section.survey.json.layers;
  if (!layers) return;
  const text = `--layers ${layers}`;
  const note = $('.copy-note', section);
  try {
    await navigator.clipboard.writeText(text);
    note.textContent = `Copied: ${text}`;
  } catch (error) {
    note.textContent = `Copy this: ${text}`;
  }
  note.hidden = false;
}

export function surveyUnits() { readings.showUnits(state.units === METRIC); }

let chartAddress = '';
export function showSurvey(section, answer) {
  const figure = $('#survey-chart').closest('figure');
  if (chartAddress) URL.revokeObjectURL(chartAddress);
  chartAddress = '';
  figure.hidden = !answer;
  $('#survey-use').disabled = !(answer && answer.use && Object.keys(answer.use).length);
  $('#survey-copy').disabled = !(answer && answer.json && answer.json.layers);
  $('.copy-note', section).hidden = true;
  if (!answer) return;
  chartAddress = URL.createObjectURL(new Blob([answer.svg], { type: 'image/svg+xml' }));
  const image = $('#survey-chart');
  image.src = chartAddress;
  image.svgText = answer.svg;
  image.alt = `Chart of the survey: ${answer.result}`;
  section.survey = answer;
}

export function startSurvey(section) {
  readings.start(section, 3);
  surveyUnits();
}

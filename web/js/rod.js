// One rod: the window's form, run by the program in WebAssembly through the
// framework's page window. The form reads and writes its controls through
// the window.ostrevin* functions here, one call each way an event; clicks
// and keys go in through the engine's click and command.
import { $, $$, clearFieldError, setHidden, showFieldError } from './dom.js';
import { readAddress, writeAddress } from './address.js';
import { share } from './job.js';
import { shareRod } from './tools.js';
import { ENGLISH, METRIC, state } from './state.js';

const IDOK = 1;
const IDCANCEL = 2;

// The controls as the form reads them: [{checked, text}], one a control.
function ostrevinReadControls(elements) {
  return elements.map((element) => ({
    checked: element.getAttribute('aria-checked') === 'true',
    text: 'value' in element && element.tagName !== 'BUTTON' ? element.value : element.textContent,
  }));
}

// What the form changed: [{index, checked?, text?}]. Whether it changed an
// input is kept for the click that caused it.
let inputChanged = false;
function ostrevinWriteControls(elements, changes) {
  for (const change of changes) {
    const element = elements[change.index];
    if (!element) continue;
    if (change.checked !== undefined) {
      element.setAttribute('aria-checked', change.checked ? 'true' : 'false');
      element.tabIndex = change.checked ? 0 : -1;
    }
    if (change.text !== undefined) {
      if (element.tagName === 'INPUT') {
        inputChanged = inputChanged || element.value !== change.text;
        element.value = change.text;
      } else {
        element.textContent = change.text;
      }
    }
  }
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

// What the program in WebAssembly calls.
export function installFormHooks() {
  Object.assign(window, {
    ostrevinReadControls, ostrevinWriteControls, ostrevinMarkRefused, ostrevinFocus, ostrevinPrompt,
  });
}

function markStale(stale) {
  $('#tool-rod .result').classList.toggle('stale', stale);
  if (stale) showReason('');
}

function showReason(reason) {
  const element = $('#tool-rod [data-reason]');
  element.textContent = reason || '';
  setHidden(element, !reason);
}

function timed(event, call) {
  call();
  const since = event && event.timeStamp ? event.timeStamp : performance.now();
  state.timings.push({ tool: 'rod', ms: performance.now() - since });
}

// ---- The form's address: #rod?diameter=0.625&length=8&rho=10000, with the
// resistance and length commands' names (length, or target for a length found). ----

const ROD = { id: 'rod' };
const controlOf = (name) => $(`[data-control="${name}"]`);
const isChecked = (name) => controlOf(name).getAttribute('aria-checked') === 'true';

function rodInputs() {
  const input = isChecked('IDC_TYPE_LENGTH') ? 'target' : 'length';
  return { rho: controlOf('IDC_RHO').value, diameter: controlOf('IDC_DIAMETER').value, [input]: controlOf('IDC_INPUT').value };
}

const formUnits = () => (isChecked('IDC_METRIC') ? METRIC : ENGLISH);

// The other tools get the form's soil and rod: its length, or the one found.
function shareForm() {
  const inputs = rodInputs();
  const found = controlOf('IDC_RESULT').textContent;
  const length = 'length' in inputs ? inputs.length : (/^[\d.,]+$/.test(found) ? found : '');
  shareRod({ rho: inputs.rho, diameter: inputs.diameter, length }, formUnits());
}

// The address follows the form.
function writeRodAddress() {
  writeAddress(ROD, rodInputs(), [], formUnits());
  shareForm();
}

// The form set from an address as a user would: the units and the
// calculation's type chosen, the values typed, Calculate clicked.
export function fillRodFromAddress(query) {
  const section = $('#tool-rod');
  const given = {};
  const choose = (name) => { if (!isChecked(name)) state.engine.click(name); };
  readAddress(section, ROD, query, {
    setUnits: (units) => choose(units === METRIC ? 'IDC_METRIC' : 'IDC_ENGLISH'),
    setSoil: () => {},
    setField: (name, text) => { given[name] = text; return !('target' in given && 'length' in given); },
  });
  if (!Object.keys(given).length) return;
  choose('target' in given ? 'IDC_TYPE_LENGTH' : 'IDC_TYPE_RESISTANCE');
  const into = { rho: 'IDC_RHO', diameter: 'IDC_DIAMETER', length: 'IDC_INPUT', target: 'IDC_INPUT' };
  for (const [name, text] of Object.entries(given)) controlOf(into[name]).value = text;
  onForm(() => state.engine.click('IDC_CALCULATE'), true);
}

// A click or a command on the form. A calculation done makes the answer
// current (with the reason when it is "na"); any other change of an input by
// the form (a unit switch, the four-probe button) makes it out of date.
function onForm(send, calculates) {
  inputChanged = false;
  const reason = send();
  if ($('#prompt').open) return;
  if (calculates) {
    markStale(false);
    showReason(reason);
  } else if (inputChanged) {
    markStale(true);
  }
  writeRodAddress();
}

export function wireRod() {
  const section = $('#tool-rod');
  const prompt = $('#prompt');
  const engine = state.engine;
  $$('button[data-control]', section).forEach((button) => {
    const name = button.dataset.control;
    button.addEventListener('click', (event) => timed(event, () =>
      onForm(() => engine.click(name), name === 'IDC_CALCULATE')));
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
    // Enter (a phone's Done) is the form's OK: the form checked, then its
    // calculation (the four-probe one in the four-probe fields); the page stays.
    input.addEventListener('keydown', (event) => {
      if (event.key !== 'Enter') return;
      event.preventDefault();
      timed(event, () => onForm(() => engine.command(IDOK), !('probe' in input.dataset)));
    });
    // A changed input makes the shown result out of date.
    input.addEventListener('input', () => {
      clearFieldError(input);
      markStale(true);
      writeRodAddress();
    });
  });
  document.addEventListener('keydown', (event) => {
    if (event.key === 'Escape' && !prompt.open && !section.hidden) engine.command(IDCANCEL);
  });
  prompt.addEventListener('close', () => engine.promptClosed());
  shareForm();
  $('.share', section).addEventListener('click', () =>
    share(document.title, (said) => { $('.share-note', section).textContent = said; }));
}

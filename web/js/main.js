// The page's start. Data flow: the page's controls -> one call into the
// calculator in WebAssembly -> the answer written back into the page.
// - One rod is the window's form (rod.js); the other tools are made from the
//   library's description of them (tools.js), the survey's table with them
//   (survey.js); long work runs in a worker (engine.js).
// - Each tool has its own address (address.js), read when the page opens or
//   the address changes, rewritten as the inputs change.
// Nothing from an address or a calculation is ever written as markup.
import { $, $$ } from './dom.js';
import { currentQuery, currentTool, forgetAddress } from './address.js';
import { loadEngine } from './engine.js';
import { numberMarks } from './numbers.js';
import { fillRodFromAddress, installFormHooks, wireRod } from './rod.js';
import { VERSION, state, toolOf } from './state.js';
import { startJob } from './job.js';
import { wireDownloads } from './downloads.js';
import { carryShared, fillFromAddress, makeTools, update, work } from './tools.js';

function route(moveFocus) {
  forgetAddress();
  work.cancel(); // the work of a tool left is not wanted any more
  const id = currentTool();
  $$('.tool').forEach((section) => { section.hidden = section.dataset.tool !== id; });
  $$('#tool-list a').forEach((link) => {
    if (link.getAttribute('href') === `#${id}`) {
      link.setAttribute('aria-current', 'page');
      // On a phone the list is one row: the current tool in view.
      const list = link.closest('ul');
      const left = link.offsetLeft - list.offsetLeft;
      if (left < list.scrollLeft || left + link.offsetWidth > list.scrollLeft + list.clientWidth) {
        list.scrollLeft = left - (list.clientWidth - link.offsetWidth) / 2;
      }
    } else {
      link.removeAttribute('aria-current');
    }
  });
  const section = $(`#tool-${id}`);
  if (id === 'rod') {
    document.title = 'Ostrevin';
    if (currentQuery()) fillRodFromAddress(currentQuery());
  } else {
    document.title = `${toolOf(section).title} · Ostrevin`;
    // A tool come to from another takes what was typed there; an address
    // with inputs (a link shared) is the tool's whole state.
    if (!currentQuery()) carryShared(section);
    fillFromAddress(section, currentQuery());
    update(section);
  }
  if (moveFocus) $('h2', section).focus();
}

function wirePrinting() {
  window.addEventListener('beforeprint', () => {
    $('[data-print-date]').textContent = `Printed ${new Date().toLocaleString(navigator.language)} from ${location.href}`;
    $$('details.source').forEach((details) => { details.dataset.wasOpen = details.open; details.open = true; });
  });
  window.addEventListener('afterprint', () => {
    $$('details.source').forEach((details) => { details.open = details.dataset.wasOpen === 'true'; });
  });
}

async function start() {
  installFormHooks();
  state.marks = numberMarks();
  // The marks are the engine's before its main() makes the form.
  state.engine = await loadEngine((engine) => engine.setNumberMarks(state.marks.decimal, state.marks.group));
  const described = JSON.parse(state.engine.describeTools());
  state.tools = described.tools;
  state.described = described;
  makeTools();
  wireRod();
  wirePrinting();
  startJob();
  wireDownloads();
  window.addEventListener('hashchange', () => route(true));
  route(false);
  $('#calculator').setAttribute('aria-busy', 'false');
  document.documentElement.classList.add('ready');
}

window.ostrevinTimings = state.timings;
// For the browser tests: whether long work is running, and in a worker.
window.ostrevinWorkState = () => ({ busy: work.busy, worker: work.worker !== null });
window.ostrevinVersion = VERSION;
start();

if ('serviceWorker' in navigator) {
  window.addEventListener('load', () => {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  });
}

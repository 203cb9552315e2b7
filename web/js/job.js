// The job a calculation is for (its name, site, date, engineer, checker,
// revision and notes), kept on the device and printed at the top of every
// tool; the job saved as a file, opened from one (picked or dropped on the
// page) and reported; and a tool's address shared.
import { $ } from './dom.js';
import { download } from './downloads.js';
import { currentQuery, currentTool, flushAddress } from './address.js';
import { VERSION, state, versioned } from './state.js';
import { keep, readKept } from './storage.js';

const KEY = 'ostrevin.job';
// The page's field, its label, and its key in a job file's header.
const FIELDS = [['name', 'Job', 'job'], ['site', 'Site', 'site'], ['date', 'Date', 'date'],
  ['engineer', 'Engineer', 'engineer'], ['checked-by', 'Checked by', 'checked-by'],
  ['revision', 'Revision', 'revision'], ['notes', 'Notes', 'notes']];

function printLine() {
  const parts = FIELDS.map(([name, label]) => [label, $(`#job-${name}`).value.trim()])
    .filter(([, value]) => value).map(([label, value]) => `${label}: ${value}`);
  $('[data-job-print]').textContent = parts.join(' · ');
}

export function startJob() {
  let kept = {};
  try {
    kept = JSON.parse(readKept(KEY) || '{}') || {};
  } catch (error) {
    kept = {};
  }
  for (const [name] of FIELDS) {
    const input = $(`#job-${name}`);
    if (typeof kept[name] === 'string') input.value = kept[name];
    input.addEventListener('input', keepFields);
  }
  if (FIELDS.some(([name]) => $(`#job-${name}`).value)) $('#job').open = true;
  printLine();
  wireJobFile();
}

function keepFields() {
  const job = {};
  for (const [field] of FIELDS) job[field] = $(`#job-${field}`).value;
  keep(KEY, JSON.stringify(job));
  printLine();
}

function header() {
  const fields = {};
  for (const [name, , key] of FIELDS) fields[key] = $(`#job-${name}`).value.trim();
  return fields;
}

function say(text) {
  $('[data-job-status]').textContent = text;
}


// The tool in view as a job file, from its address (its inputs as the
// library reads them back); or the reason there is none.
function currentJob() {
  flushAddress();
  const tool = currentTool();
  const read = JSON.parse(state.engine.readToolAddress(tool, currentQuery()));
  const units = read.units === 'metric' || read.units === 'si' ? 1 : read.units === 'english' ? 0 : state.units;
  return JSON.parse(state.engine.jobOfTool(tool, read.fields, read.rows || [], units, header()));
}

function saveJob() {
  const saved = currentJob();
  if (saved.error) {
    say(saved.error);
    return;
  }
  download(saved.file, saved.job, 'application/json');
  say(`Saved as ${saved.file}.`);
}

// A job file opened: its header into the fields, its tool's address opened.
export function openJob(text, name) {
  const opened = JSON.parse(state.engine.toolOfJob(text));
  if (opened.error) {
    say(`${name} cannot be opened: ${opened.error}`);
    return false;
  }
  for (const [field, , key] of FIELDS) $(`#job-${field}`).value = opened.header[key] || '';
  keepFields();
  if (Object.values(opened.header).some(Boolean)) $('#job').open = true;
  const kept = opened.left.length ? ` Kept in the file, not shown here: ${opened.left.join('; ')}.` : '';
  say(`Opened ${name}.${kept}`);
  location.hash = `#${opened.tool}${opened.query ? `?${opened.query}` : ''}`;
  return true;
}

function readFile(file) {
  if (file.size > 16 * 1024 * 1024) {
    say(`${file.name} cannot be opened: a job file is at most 16 MiB.`);
    return;
  }
  file.text().then((text) => openJob(text, file.name), (error) => say(`${file.name} cannot be read: ${error.message}`));
}

// The report of the tool in view, made in a worker of its own (a grid takes
// seconds) and offered as one HTML file to open and print.
function report() {
  const saved = currentJob();
  if (saved.error) {
    say(saved.error);
    return;
  }
  say('Working on the report…');
  const worker = new Worker(versioned('worker.js'));
  worker.onmessage = (event) => {
    if (event.data.progress !== undefined) return;
    worker.terminate();
    const made = JSON.parse(event.data.json);
    if (made.error) {
      say(`No report: ${made.error}`);
      return;
    }
    download(made.file, made.html, 'text/html');
    say(`Report saved as ${made.file}: open it and print it (or save it as PDF).`);
  };
  worker.onerror = (event) => {
    event.preventDefault();
    worker.terminate();
    say(`No report: ${event.message || 'the browser stopped it'}.`);
  };
  worker.postMessage({ id: 1, kind: 'report', job: saved.job, program: `Ostrevin page ${VERSION}`, ...state.marks });
}

function wireJobFile() {
  const picker = $('[data-job-file]');
  $('[data-job-save]').addEventListener('click', saveJob);
  $('[data-job-open]').addEventListener('click', () => picker.click());
  $('[data-job-report]').addEventListener('click', report);
  picker.addEventListener('change', () => {
    if (picker.files.length) readFile(picker.files[0]);
    picker.value = '';
  });
  // A job file dropped anywhere on the page is opened; other drops are left alone.
  document.addEventListener('dragover', (event) => {
    if ([...event.dataTransfer.items].some((item) => item.kind === 'file')) event.preventDefault();
  });
  document.addEventListener('drop', (event) => {
    const file = [...event.dataTransfer.files].find((f) => /\.json$/i.test(f.name));
    if (!file) return;
    event.preventDefault();
    readFile(file);
  });
}

// The tool's address through the system's share sheet where the browser has
// one, else copied; `say` tells what happened.
export async function share(title, say) {
  const url = location.href;
  if (typeof navigator.share === 'function') {
    try {
      await navigator.share({ title, url });
      say('Shared.');
    } catch (error) {
      if (error && error.name !== 'AbortError') say(`Copy this address: ${url}`);
    }
    return;
  }
  try {
    await navigator.clipboard.writeText(url);
    say(`Address copied: ${url}`);
  } catch (error) {
    say(`Copy this address: ${url}`);
  }
}

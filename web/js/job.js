// The job a calculation is for (its name, site and date), kept on the device
// and printed at the top of every tool; and a tool's address shared.
import { $ } from './dom.js';
import { keep, readKept } from './storage.js';

const KEY = 'ostrevin.job';
const FIELDS = [['name', 'Job'], ['site', 'Site'], ['date', 'Date']];

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
    input.addEventListener('input', () => {
      const job = {};
      for (const [field] of FIELDS) job[field] = $(`#job-${field}`).value;
      keep(KEY, JSON.stringify(job));
      printLine();
    });
  }
  if (FIELDS.some(([name]) => $(`#job-${name}`).value)) $('#job').open = true;
  printLine();
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

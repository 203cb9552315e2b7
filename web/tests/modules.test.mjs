// The page's modules alone, without a browser: what they do with the
// browser's services stood in for (a storage that fails, a phone's language).
import { test } from 'node:test';
import assert from 'node:assert/strict';

// Stand-ins for what the modules use of the browser.
const note = { hidden: true, textContent: '' };
globalThis.document = { querySelector: (selector) => (selector === '[data-storage-note]' ? note : null) };
const stored = new Map();
let failure = null;
globalThis.localStorage = {
  getItem: (key) => {
    if (failure) throw failure;
    return stored.has(key) ? stored.get(key) : null;
  },
  setItem: (key, text) => {
    if (failure) throw failure;
    stored.set(key, String(text));
  },
};

const { keep, readKept } = await import('../js/storage.js');
const { numberMarks } = await import('../js/numbers.js');

test('storage: kept and read back; a failure said once at the top and never thrown', () => {
  assert.equal(keep('ostrevin.units', '1'), true);
  assert.equal(readKept('ostrevin.units'), '1');
  assert.equal(readKept('ostrevin.none'), null);
  assert.equal(note.hidden, true);

  failure = new Error('The quota has been exceeded.');
  assert.equal(keep('ostrevin.units', '0'), false);
  assert.equal(note.hidden, false);
  assert.equal(note.textContent,
    'Your choices will not be kept in this browser (The quota has been exceeded.); the page works as before.');
  // Blocked reads are none kept; the note is not written again.
  failure = new Error('Access is denied for this document.');
  assert.equal(readKept('ostrevin.units'), null);
  assert.match(note.textContent, /quota/);
  failure = null;
  assert.equal(readKept('ostrevin.units'), '1');
});

test('number marks follow the phone\'s language', () => {
  for (const [language, decimal, group] of [['en-US', '.', ','], ['de-DE', ',', '.'], ['fr-FR', ',', '\u202f']]) {
    Object.defineProperty(globalThis, 'navigator', { value: { language }, configurable: true });
    assert.deepEqual(numberMarks(), { decimal, group }, language);
  }
});

test('long work: an answer to older input is never shown, nor the work said done before the newer answer', async (t) => {
  t.mock.timers.enable({ apis: ['setTimeout'] });
  Object.defineProperty(globalThis, 'navigator', { value: { language: 'en-US' }, configurable: true });
  // A worker that answers when told to, and a section of a status and a result.
  const workers = [];
  globalThis.Worker = class {
    constructor() { this.posted = []; this.ended = false; workers.push(this); }
    postMessage(message) { this.posted.push(message.id); }
    terminate() { this.ended = true; }
    answer(id) { this.onmessage({ data: { id, json: JSON.stringify({ id }) } }); }
  };
  const parts = {};
  const part = () => ({ hidden: false, textContent: '', classList: { add() {} }, querySelector: (selector) => parts[selector] });
  for (const name of ['.result', '.status', '.status-text', 'progress', '.cancel']) parts[name] = part();
  const section = part();
  const { LongWork } = await import('../js/engine.js');
  const shown = [];
  const work = new LongWork({ onAnswer: (_, answer) => shown.push(answer.id), onFailure: () => shown.push('failed') });

  work.run(section, { kind: 'survey' }, 0);
  t.mock.timers.tick(120);
  assert.deepEqual(workers[0].posted, [1]);
  // Typed again: the first answer, arriving in the pause before the second is sent, is not shown.
  work.run(section, { kind: 'survey' }, 0);
  workers[0].answer(1);
  assert.deepEqual(shown, []);
  t.mock.timers.tick(120);
  // The worker was free again: given the second job, not ended.
  assert.equal(workers.length, 1);
  assert.equal(workers[0].ended, false);
  assert.deepEqual(workers[0].posted, [1, 2]);
  workers[0].answer(2);
  assert.deepEqual(shown, [2]);

  // Typed while the worker computes: it is ended and a new one takes the newer input.
  work.run(section, { kind: 'survey' }, 0);
  t.mock.timers.tick(120);
  work.run(section, { kind: 'survey' }, 0);
  t.mock.timers.tick(120);
  assert.equal(workers[0].ended, true);
  assert.deepEqual(workers[1].posted, [4]);
  workers[1].answer(4);
  assert.deepEqual(shown, [2, 4]);
});

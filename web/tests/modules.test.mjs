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

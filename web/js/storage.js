// Choices kept in this browser between visits (units, pickers, tables, the
// job). Storage may be full, blocked by the browser's settings or absent:
// the page works without it, and says once, at the top, that choices will
// not be kept.
let said = false;

function sayNotKept(error) {
  if (said) return;
  said = true;
  const note = document.querySelector('[data-storage-note]');
  if (!note) return;
  note.textContent = `Your choices will not be kept in this browser (${error.message}); the page works as before.`;
  note.hidden = false;
}

// The text kept under `key`, or null when none is kept or storage cannot be read.
export function readKept(key) {
  try {
    return localStorage.getItem(key);
  } catch (error) {
    sayNotKept(error);
    return null;
  }
}

// Keeps `text` under `key`: true when kept, false (and said) when not.
export function keep(key, text) {
  try {
    localStorage.setItem(key, text);
    return true;
  } catch (error) {
    sayNotKept(error);
    return false;
  }
}

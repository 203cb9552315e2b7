// Each tool's address: #check?rho=10000&diameter=0.625&length=8, with the
// command line's option names and syntax. The library writes and reads it
// (toolAddress, readToolAddress), bounds included; the page only sets the
// fields it names and says what it did not use.
import { $ } from './dom.js';
import { ENGLISH, METRIC, state } from './state.js';

export function currentTool() {
  const id = location.hash.slice(1).split('?')[0];
  return id === 'rod' || state.tools.some((tool) => tool.id === id) ? id : 'rod';
}

export function currentQuery() {
  return location.hash.split('?').slice(1).join('?');
}

// The address follows the inputs, written when typing pauses (writing it
// costs more than a calculation).
let timer = 0;
let pending = null;
export function writeAddress(tool, inputs, rows = [], units = state.units) {
  const query = state.engine.toolAddress(tool.id, inputs, rows, units);
  pending = `#${tool.id}${query ? `?${query}` : ''}`;
  clearTimeout(timer);
  timer = setTimeout(flushAddress, 150);
}

// The address written now, where typing has not yet paused (a job saved).
export function flushAddress() {
  clearTimeout(timer);
  if (pending && location.hash !== pending) history.replaceState(null, '', pending);
  pending = null;
}

// The address of the tool left is not written over the one come to.
export function forgetAddress() {
  clearTimeout(timer);
  pending = null;
}

// Fills a tool from its address: `setField(name, text)` sets a field and
// says whether the tool has it, `setRows(rows)` fills its table; what cannot
// be used is named in a note.
export function readAddress(section, tool, query, { setUnits, setSoil, setField, setRows }) {
  let read;
  try {
    read = JSON.parse(state.engine.readToolAddress(tool.id, query));
  } catch (error) {
    read = { units: null, soil: null, fields: {}, rows: null, ignored: [query] };
  }
  if (read.rows && setRows) setRows(read.rows);
  // An address says its units (si: metric, a bare resistivity in ohm-m and a
  // bare diameter in mm, as the command line's); without them they are the
  // command line's default.
  const si = read.units === 'si';
  if (query) setUnits(read.units === 'metric' || si ? METRIC : ENGLISH);
  if (read.soil) setSoil(read.soil);
  const ignored = [...read.ignored];
  for (const [name, text] of Object.entries(read.fields)) {
    if (!setField(name, text, si)) ignored.push(`${name}=${text}`);
  }
  const note = $('.address-note', section);
  note.textContent = ignored.length ? `Not used from the address: ${ignored.join(', ')}.` : '';
  note.hidden = !ignored.length;
}

// What the page's modules share: the calculator in WebAssembly, the tools it
// describes, the unit system (remembered on the device), the number marks,
// and the timings the browser tests read.
// The version of the page, written by the site's assembly: every file of one
// version names the others with it (index.html too), so that a browser's
// caches never give a file of another version.
import { readKept } from './storage.js';

export const VERSION = '@VERSION@';
export const versioned = (file) => `${file}?v=${VERSION}`;

export const ENGLISH = 0;
export const METRIC = 1;

// The units fields are typed in, by what they measure: each theme's, and
// the ones picked field by field (remembered on the device).
export const THEMES = {
  [ENGLISH]: { resistivity: 'ohm-cm', diameter: 'in', length: 'ft' },
  [METRIC]: { resistivity: 'ohm-m', diameter: 'mm', length: 'm' },
};

// The phone's country from its language ("en-GB": GB), upper case; a bare
// "en" is taken as the United States, as browsers there report it.
export function phoneRegion() {
  if (navigator.language === 'en') return 'US';
  return ((navigator.language || '').split('-')[1] || '').toUpperCase();
}

// Without a choice kept on the device, the phone's country decides: the
// United States (and Liberia and Myanmar) English, everywhere else metric.
function firstUnits() {
  const kept = readKept('ostrevin.units');
  if (kept !== null) return Number(kept) === METRIC ? METRIC : ENGLISH;
  return ['US', 'LR', 'MM'].includes(phoneRegion()) ? ENGLISH : METRIC;
}

function keptPicks(units) {
  try {
    const kept = JSON.parse(readKept('ostrevin.picked'));
    if (kept && typeof kept === 'object') return { ...THEMES[units], ...kept };
  } catch (error) { /* none kept, or unreadable: the theme's */ }
  return { ...THEMES[units] };
}

const units = firstUnits();

export const state = {
  engine: null,  // the WebAssembly module: set when it has loaded
  tools: [],     // the library's description of the tools
  described: {}, // the rest of that description: bounds, layer parts
  units,         // the system the answers are given in
  picked: keptPicks(units), // {resistivity, diameter, length}: the units fields are typed in
  marks: { decimal: '.', group: ',' },
  timings: [],   // {tool, ms}: input event to answer shown, read by the tests
};

export function toolOf(section) {
  return state.tools.find((tool) => tool.id === section.dataset.tool);
}

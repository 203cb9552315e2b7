// What the page's modules share: the calculator in WebAssembly, the tools it
// describes, the unit system (remembered on the device), the number marks,
// and the timings the browser tests read.
// The version of the page, written by the site's assembly: every file of one
// version names the others with it (index.html too), so that a browser's
// caches never give a file of another version.
export const VERSION = '@VERSION@';
export const versioned = (file) => `${file}?v=${VERSION}`;

export const ENGLISH = 0;
export const METRIC = 1;

export const state = {
  engine: null,  // the WebAssembly module: set when it has loaded
  tools: [],     // the library's description of the tools
  described: {}, // the rest of that description: bounds, layer parts
  units: Number(localStorage.getItem('ostrevin.units')) === METRIC ? METRIC : ENGLISH,
  marks: { decimal: '.', group: ',' },
  timings: [],   // {tool, ms}: input event to answer shown, read by the tests
};

export function toolOf(section) {
  return state.tools.find((tool) => tool.id === section.dataset.tool);
}

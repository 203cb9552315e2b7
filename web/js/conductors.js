// The electrodes tool's table of conductors, a row each (kept as table.js
// keeps rows): the ends (x, y, and z the depth) and the diameter.
import { make } from './dom.js';
import { METRIC, state } from './state.js';
import { RowsTable } from './table.js';

export const conductors = new RowsTable({
  tool: 'electrodes',
  key: 'ostrevin.conductors',
  id: 'conductor-rows',
  noun: 'conductor',
  caption: 'Conductors: each from (x1, y1) z1 deep to (x2, y2) z2 deep, of its diameter; all bonded together',
  addId: 'conductor-add',
  addLabel: 'Add a conductor',
  accept: '.csv,.tsv,.txt,.dxf,text/csv,text/plain,image/vnd.dxf',
  openLabel: 'Open a CSV or DXF file',
  columns: [
    { name: 'x1', label: 'x1', unit: 'length' },
    { name: 'y1', label: 'y1', unit: 'length' },
    { name: 'z1', label: 'z1', unit: 'length' },
    { name: 'x2', label: 'x2', unit: 'length' },
    { name: 'y2', label: 'y2', unit: 'length' },
    { name: 'z2', label: 'z2', unit: 'length' },
    { name: 'diameter', label: 'Diameter', unit: 'diameter' },
  ],
});

export function makeConductorTable() {
  const { table, add, open, notes } = conductors.make();
  return make('div', { class: 'survey' },
    make('p', { class: 'storage-note', role: 'status', hidden: true }),
    table, make('div', { class: 'row-buttons' }, add, ...open), ...notes);
}

export function conductorUnits() { conductors.showUnits(state.units === METRIC); }

export function startConductors(section) {
  conductors.start(section, 2);
  conductorUnits();
}

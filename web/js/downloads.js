// Files offered for download: a job, a report, and every picture (as SVG
// or PNG) and answer table (as CSV) the page shows (their buttons made in
// dom.js). A picture's button takes the SVG the image shows (kept on it as
// svgText); a table's, the cells it was drawn from.
import { $ } from './dom.js';

export function download(name, data, type) {
  const url = URL.createObjectURL(data instanceof Blob ? data : new Blob([data], { type }));
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}

// Rows of cells as CSV: a field quoted where it holds the separator, a
// quote or a line break.
export function csvOf(rows, separator = ',') {
  const field = (cell) => (cell.includes(separator) || /["\r\n]/.test(cell) ? `"${cell.replace(/"/g, '""')}"` : cell);
  return rows.map((row) => row.map((cell) => field(String(cell))).join(separator)).join('\n') + '\n';
}

// The picture shown, drawn twice its size for a sharp PNG.
function pngOf(image) {
  const canvas = document.createElement('canvas');
  canvas.width = image.naturalWidth * 2;
  canvas.height = image.naturalHeight * 2;
  const context = canvas.getContext('2d');
  context.fillStyle = '#fff';
  context.fillRect(0, 0, canvas.width, canvas.height);
  context.drawImage(image, 0, 0, canvas.width, canvas.height);
  return new Promise((done) => canvas.toBlob(done, 'image/png'));
}

export function wireDownloads() {
  document.addEventListener('click', async (event) => {
    const button = event.target.closest('[data-download]');
    if (!button) return;
    const kind = button.dataset.download;
    if (kind === 'csv') {
      const rows = typeof button.rowsOf === 'function' ? button.rowsOf() : button.rows || [];
      download(`${button.dataset.name}.csv`, csvOf(rows, button.dataset.separator || ','), 'text/csv');
      return;
    }
    const image = $(`#${button.dataset.of}`);
    if (!image || !image.svgText) return;
    const blob = kind === 'svg' ? new Blob([image.svgText], { type: 'image/svg+xml' }) : await pngOf(image);
    if (blob) download(`${button.dataset.of}.${kind}`, blob, blob.type);
  });
}

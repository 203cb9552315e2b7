// The calculator in WebAssembly (ostrevin.js, emscripten's loader): one
// instance on the page for the One rod form and the quick tools, and one in
// a worker (worker.js) for long work. Work no longer wanted (newer input,
// Cancel, another tool) ends the worker, which is started afresh for the
// next job: nothing goes on computing unseen.
import { $ } from './dom.js';
import { state, versioned } from './state.js';

// The page's instance. `before` runs when the runtime is up, before the
// program's main() makes the form.
export function loadEngine(before) {
  return globalThis.createOstrevin({
    locateFile: versioned,
    onRuntimeInitialized() { before(this); },
  });
}

// Long work: one job at a time in a worker, its answer shown only if it is
// still the one wanted.
export class LongWork {
  constructor({ onAnswer, onFailure }) {
    this.onAnswer = onAnswer;   // (section, answer, since)
    this.onFailure = onFailure; // (section, message)
    this.worker = null;
    this.busy = false;
    this.job = 0;
    this.pending = null;        // {id, section, since}
    this.timer = 0;
    this.sent = 0;              // the id of the job the worker was last given
  }

  start() {
    const worker = new Worker(versioned('worker.js'));
    worker.onmessage = (event) => {
      const { id, json, progress } = event.data;
      if (progress === undefined && id === this.sent) this.busy = false; // the worker is free again
      const pending = this.pending;
      // An answer overtaken by newer input, sent or still waiting for its pause, is not shown.
      if (!pending || id !== pending.id) return;
      if (progress !== undefined) {
        this.showProgress(pending.section, progress);
        return;
      }
      this.pending = null;
      this.onAnswer(pending.section, JSON.parse(json), pending.since);
    };
    worker.onerror = (event) => {
      event.preventDefault();
      const pending = this.pending;
      this.end();
      // Older work failing is no failure of the input waiting for its pause.
      if (pending && pending.id !== this.sent) {
        this.pending = pending;
      } else if (pending) {
        this.onFailure(pending.section,
          `The calculation could not finish: ${event.message || 'the browser stopped it'}.`);
      }
    };
    return worker;
  }

  // A job for a tool: the old answer marked out of date, "Working…" with a
  // Cancel button; sent after a pause in typing.
  run(section, job, since) {
    $('.result', section).classList.add('stale');
    const status = $('.status', section);
    status.hidden = false;
    $('.status-text', status).textContent = 'Working…';
    $('progress', status).hidden = true;
    $('.cancel', status).hidden = false;
    clearTimeout(this.timer);
    // The wanted answer from now on: one to older input, arriving in the pause, is not shown.
    this.job += 1;
    const pending = { id: this.job, section, since };
    this.pending = pending;
    this.timer = setTimeout(() => {
      if (this.busy) this.end(); // overtaken: ended, not left computing
      if (!this.worker) this.worker = this.start();
      this.pending = pending;
      this.sent = pending.id;
      this.busy = true;
      this.worker.postMessage({ id: pending.id, ...state.marks, ...job });
    }, 120);
  }

  showProgress(section, fraction) {
    const bar = $('.status progress', section);
    bar.hidden = false;
    bar.value = fraction;
    $('.status-text', section).textContent = `Working… ${Math.round(100 * fraction)} %`;
  }

  // Work waiting or running is no longer wanted: the worker is ended.
  cancel() {
    clearTimeout(this.timer);
    const pending = this.pending;
    if (this.busy) this.end();
    this.pending = null;
    return pending;
  }

  end() {
    if (this.worker) this.worker.terminate();
    this.worker = null;
    this.busy = false;
    this.pending = null;
  }
}

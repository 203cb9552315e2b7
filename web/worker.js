// Runs the page's long calculations (how many rods, big or layered groups,
// the survey's fit) off the page's thread, so the page never freezes. A job
// is {id, kind: 'tool'|'survey', tool, items, units, decimal, group}; the
// answer is {id, json}, json as the page's own calls give it.
'use strict';

// The names are the worker's own: ostrevin.js brings globals of its own (run, ready, ...).
const ostrevinJobs = [];
let ostrevinReady = false;

function ostrevinRunJobs() {
  while (ostrevinReady && ostrevinJobs.length) {
    const job = ostrevinJobs.shift();
    Module.setNumberMarks(job.decimal, job.group);
    const json = job.kind === 'survey' ? Module.runSurvey(job.items, job.units)
      : Module.runTool(job.tool, job.items, job.units);
    postMessage({ id: job.id, json });
  }
}

var Module = {
  onRuntimeInitialized() {
    ostrevinReady = true;
    ostrevinRunJobs();
  },
};

self.onmessage = (event) => {
  ostrevinJobs.push(event.data);
  ostrevinRunJobs();
};

importScripts('ostrevin.js');

// Runs the page's long calculations (how many rods, big or layered groups,
// the survey's fit, the electrodes, the field test) off the page's thread, so the page
// never freezes. A job is {id, kind: 'tool'|'survey'|'electrodes'|'test'|'report', tool,
// inputs, rows, units, width (a chart's or a drawing's), decimal, group; a report's job file and program};
// the answer is {id, json}, json as
// the page's own calls give it, after {id, progress} now and then. The page
// ends this worker when the job is no longer wanted.
'use strict';

// This worker's address carries the page's version: its files go with it.
const ostrevinVersion = self.location.search;
importScripts(`ostrevin.js${ostrevinVersion}`);

const ostrevinJobs = [];
let ostrevinEngine = null;

function ostrevinRun(job) {
  const progress = (done) => postMessage({ id: job.id, progress: done });
  if (job.kind === 'report') return ostrevinEngine.reportOfJob(job.job, job.program, progress);
  if (job.kind === 'survey') return ostrevinEngine.runSurvey(job.rows, job.units, job.width);
  if (job.kind === 'test') return ostrevinEngine.runFallTest(job.rows, job.inputs, job.units, job.width);
  if (job.kind === 'electrodes') {
    return ostrevinEngine.runElectrodes(job.rows, job.inputs, job.units, progress, job.width || 0);
  }
  return ostrevinEngine.runTool(job.tool, job.inputs, job.units, progress, job.width || 0);
}

function ostrevinRunJobs() {
  while (ostrevinEngine && ostrevinJobs.length) {
    const job = ostrevinJobs.shift();
    ostrevinEngine.setNumberMarks(job.decimal, job.group);
    postMessage({ id: job.id, json: ostrevinRun(job) });
  }
}

self.onmessage = (event) => {
  ostrevinJobs.push(event.data);
  ostrevinRunJobs();
};

createOstrevin({ locateFile: (file) => file + ostrevinVersion }).then((engine) => {
  ostrevinEngine = engine;
  ostrevinRunJobs();
});

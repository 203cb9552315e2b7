// Wires the page to the calculator in WebAssembly (ostrevin.js, loaded after
// this): clicks and keys go in through Module.click and Module.command, the
// prompt's dismissal through Module.promptClosed. Registers the service
// worker that keeps the page working offline.
'use strict';

var Module = {
  onRuntimeInitialized: function () {
    wire();
    document.getElementById('calculator').setAttribute('aria-busy', 'false');
    document.documentElement.classList.add('ready');
  },
};

// Runs a call into the calculator and keeps how long it took, in ms.
function timed(call) {
  var start = performance.now();
  call();
  document.documentElement.dataset.lastCallMs = String(performance.now() - start);
}

function wire() {
  var prompt = document.getElementById('prompt');
  document.querySelectorAll('button[data-control]').forEach(function (button) {
    button.addEventListener('click', function () {
      timed(function () { Module.click(Number(button.dataset.control)); });
    });
  });
  // Within a radio group the arrow keys move the check, as the window's do.
  document.querySelectorAll('[role=radiogroup]').forEach(function (group) {
    group.addEventListener('keydown', function (event) {
      var step = { ArrowRight: 1, ArrowDown: 1, ArrowLeft: -1, ArrowUp: -1 }[event.key];
      if (!step) return;
      var buttons = Array.prototype.slice.call(group.querySelectorAll('[role=radio]'));
      var next = buttons[(buttons.indexOf(document.activeElement) + step + buttons.length) % buttons.length];
      event.preventDefault();
      next.focus();
      next.click();
    });
  });
  // Enter in an edit is the form's OK; Escape its Cancel.
  document.querySelectorAll('input[data-control]').forEach(function (input) {
    input.addEventListener('keydown', function (event) {
      if (event.key !== 'Enter') return;
      event.preventDefault();
      timed(function () { Module.command(1); });
    });
  });
  document.addEventListener('keydown', function (event) {
    if (event.key === 'Escape' && !prompt.open) Module.command(2);
  });
  prompt.addEventListener('close', function () { Module.promptClosed(); });
}

if ('serviceWorker' in navigator) {
  window.addEventListener('load', function () {
    navigator.serviceWorker.register('sw.js').catch(function () {});
  });
}

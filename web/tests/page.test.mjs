// The Ostrevin page in headless Chromium, served from build/web on this
// machine: the scenarios the desktop windows pass, then what only a page has
// (offline through the service worker, a phone's width, accessibility), the
// screenshots, and a report of the budgets (download size, load and
// calculation times).
import { after, afterEach, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { createServer } from 'node:http';
import { mkdirSync, readFileSync, readdirSync, statSync } from 'node:fs';
import { dirname, extname, join, normalize, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';

const here = dirname(fileURLToPath(import.meta.url));
const site = resolve(here, '../../build/web');
const pictures = join(site, 'tests');
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
const types = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
  '.webmanifest': 'application/manifest+json', '.svg': 'image/svg+xml', '.png': 'image/png',
};

const ENGLISH = 1010, METRIC = 1011, LENGTH = 1007, RESISTANCE = 1008;
const RHO = 1000, CALCULATE = 1001, DIAMETER = 1002, RESULT = 1003, INPUT = 1004;
const INPUT_LABEL = 1005, RESULT_UNITS = 1006, DIAMETER_LABEL = 1009, SPACING = 1017;
const CALCULATE_RHO = 1018;

let server, address, browser;
const contexts = [];

before(async () => {
  server = createServer((request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    let file = join(site, path);
    if (!file.startsWith(site)) file = site;
    try {
      if (statSync(file).isDirectory()) file = join(file, 'index.html');
      response.writeHead(200, { 'Content-Type': types[extname(file)] || 'application/octet-stream' });
      response.end(readFileSync(file));
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  address = `http://127.0.0.1:${server.address().port}/`;
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
  mkdirSync(pictures, { recursive: true });
});

afterEach(async () => {
  for (const context of contexts.splice(0)) await context.close();
});

after(async () => {
  await browser?.close();
  server?.close();
});

const control = (id) => `[data-control="${id}"]`;

// A fresh page (a context of its own: no service worker, no cache) with the
// calculator ready.
async function open({ width = 390, height = 844, context } = {}) {
  if (!context) {
    context = await browser.createBrowserContext();
    contexts.push(context);
  }
  const page = await context.newPage();
  await page.setViewport({ width, height });
  await page.goto(address);
  await page.waitForSelector('html.ready');
  return page;
}

const text = (page, id) =>
  page.$eval(control(id), (element) => element.value ?? element.textContent);
const checked = (page, id) =>
  page.$eval(control(id), (element) => element.getAttribute('aria-checked') === 'true');

async function type(page, id, value) {
  await page.click(control(id), { clickCount: 3 });
  await page.$eval(control(id), (element) => element.select());
  await page.keyboard.press('Backspace');
  await page.keyboard.type(value);
}

// The prompt's text, read and dismissed with its OK button.
async function dismissPrompt(page) {
  await page.waitForSelector('#prompt[open]');
  const message = await page.$eval('#prompt [data-prompt-text]', (element) => element.textContent);
  await page.click('#prompt button');
  await page.waitForSelector('#prompt:not([open])');
  return message;
}

const focused = (page) => page.evaluate(() => document.activeElement?.getAttribute('data-control'));

describe('the window contract in a page', () => {
  test('type and calculate', async () => {
    const page = await open();
    assert.equal(await page.title(), 'Ostrevin');
    assert.equal(await text(page, RHO), '2000');
    await type(page, INPUT, '10');
    await page.click(control(CALCULATE));
    assert.equal(await text(page, RESULT), '6.100');
    assert.equal(await text(page, RESULT_UNITS), 'Feet');
    assert.equal(await page.evaluate(() => document.documentElement.classList.contains('busy')), false);
    await page.click(control(RESISTANCE));
    await type(page, INPUT, '3');
    await page.click(control(CALCULATE));
    assert.equal(await text(page, RESULT), '17.868000');
    assert.equal(await text(page, RESULT_UNITS), 'Ohms');
  });

  test('both switches convert and relabel', async () => {
    const page = await open();
    assert.equal(await checked(page, ENGLISH), true);
    assert.equal(await checked(page, LENGTH), true);
    await page.click(control(METRIC));
    assert.equal(await checked(page, METRIC), true);
    assert.equal(await checked(page, ENGLISH), false);
    assert.equal(await text(page, DIAMETER), '0.016');
    assert.equal(await text(page, DIAMETER_LABEL), 'Rod diameter (meters)');
    await page.click(control(RESISTANCE));
    assert.equal(await text(page, INPUT_LABEL), 'Rod Length (meters)');
    assert.equal(await text(page, INPUT), '0.914');
  });

  test('a rejected value prompts, focuses it and puts the button back', async () => {
    const page = await open();
    await type(page, RHO, 'abc');
    await page.click(control(CALCULATE));
    assert.equal(await dismissPrompt(page), 'Please enter a number.');
    assert.equal(await focused(page), String(RHO));
    assert.equal(await text(page, RESULT), '');
    await type(page, RHO, '0');
    await page.click(control(METRIC));
    assert.equal(await dismissPrompt(page), 'Please enter a number between 0.0001 and 1000000.');
    assert.equal(await checked(page, ENGLISH), true);
    assert.equal(await checked(page, METRIC), false);
  });

  test('"na" for a target above the rod\'s peak, and the rho button', async () => {
    const page = await open();
    await type(page, INPUT, '1000');
    await page.click(control(CALCULATE));
    assert.equal(await text(page, RESULT), 'na');
    await page.click(control(CALCULATE_RHO));
    assert.equal(await text(page, RHO), '574.534');
  });

  test('Enter in an edit is OK (it validates, the page stays); Escape does nothing', async () => {
    const page = await open();
    await type(page, SPACING, 'x');
    await page.keyboard.press('Enter');
    assert.equal(await dismissPrompt(page), 'Please enter a number.');
    assert.equal(await page.$eval('body', (body) => body.dataset.endResult), undefined);
    await type(page, SPACING, '3');
    await page.keyboard.press('Enter');
    assert.equal(await page.$eval('body', (body) => body.dataset.endResult), '1');
    assert.equal(await page.$eval('main', (main) => main.checkVisibility()), true);
    await page.keyboard.press('Escape');
    assert.equal(await page.$eval('body', (body) => body.dataset.endResult), '2');
    await page.click(control(CALCULATE));  // and it still calculates
    assert.equal(await text(page, RESULT), '6.100');
  });
});

describe('what only a page has', () => {
  test('a second visit with the network cut still works', async () => {
    const context = await browser.createBrowserContext();
    const page = await open({ context });
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.reload();  // now under the service worker's control
    await page.waitForSelector('html.ready');
    assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null));
    await page.setOfflineMode(true);
    await page.reload();
    await page.waitForSelector('html.ready');
    await type(page, INPUT, '10');
    await page.click(control(CALCULATE));
    assert.equal(await text(page, RESULT), '6.100');
    await context.close();
  });

  test('a 360 px phone: no sideways scrolling, thumb-sized targets', async () => {
    const page = await open({ width: 360, height: 640 });
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 360));
    const small = await page.$$eval('button, input', (elements) =>
      elements.filter((e) => e.checkVisibility() && e.getBoundingClientRect().height < 44)
        .map((e) => e.outerHTML));
    assert.deepEqual(small, []);
    const decimal = await page.$$eval('input', (inputs) => inputs.every((i) => i.inputMode === 'decimal'));
    assert.ok(decimal);
  });

  test('axe-core finds no serious or critical violation', async () => {
    const page = await open();
    await page.addScriptTag({ path: resolve(here, 'node_modules/axe-core/axe.min.js') });
    const results = await page.evaluate(() => window.axe.run());
    const serious = results.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
    assert.deepEqual(serious.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`), []);
  });

  test('screenshots and the budgets report', async () => {
    for (const [width, height] of [[390, 844], [1280, 800]]) {
      const page = await open({ width, height });
      await type(page, INPUT, '10');
      await page.click(control(CALCULATE));
      await page.screenshot({ path: join(pictures, `ostrevin-${width}x${height}.png`), fullPage: true });
    }
    // Everything the page downloads, compressed as a server would send it.
    let compressed = 0;
    for (const entry of readdirSync(site, { recursive: true })) {
      const file = join(site, entry);
      if (entry.startsWith('tests') || statSync(file).isDirectory()) continue;
      compressed += gzipSync(readFileSync(file), { level: 9 }).length;
    }
    const context = await browser.createBrowserContext();
    contexts.push(context);
    const page = await context.newPage();
    const start = Date.now();
    await page.goto(address);
    await page.waitForSelector('html.ready');
    const loadMs = Date.now() - start;
    await page.click(control(RHO));
    // Length for 10 ohms (the rod-length search and the form's exchange), 50 times.
    const times = await page.evaluate(() => Array.from({ length: 50 }, () => {
      const started = performance.now();
      Module.click(1001);
      return performance.now() - started;
    }).sort((a, b) => a - b));
    assert.equal(await text(page, RESULT), '6.100');
    console.log(`web budgets: download ${(compressed / 1024).toFixed(1)} KB compressed (budget 300), ` +
      `load to a usable form ${loadMs} ms (budget 1000), a Length calculation: median ` +
      `${times[25].toFixed(2)} ms, 90th percentile ${times[45].toFixed(2)} ms (budget 5)`);
    assert.ok(compressed <= 300 * 1024, `the page downloads ${compressed} bytes compressed`);
  });
});

// The status page in a real browser: Debian's chromium, headless, driven by playwright-core, against
// corvane-health-station (the health server fed by a simulated station). The page shows the run and the
// values, a value changes without a reload, the console has no error, no request leaves the server,
// the page fits a phone, and without JavaScript it shows the values as of loading.
//
//   node status-page.test.mjs STATION_PROGRAM SCREENSHOT.png
import { spawn } from 'node:child_process';
import { mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createInterface } from 'node:readline';

import { chromium } from 'playwright-core';

const [stationProgram, screenshotPath] = process.argv.slice(2);
const failures = [];
function check(condition, what) {
  if (!condition) failures.push(what);
  console.log(`${condition ? 'ok' : 'FAILED'}: ${what}`);
}

// Starts the station and gives its port; it ends when its standard input closes.
async function startStation() {
  const station = spawn(stationProgram, [], { stdio: ['pipe', 'pipe', 'inherit'] });
  const lines = createInterface({ input: station.stdout });
  for await (const line of lines) {
    const match = /^listening (\d+)$/.exec(line);
    if (match) return { station, port: Number(match[1]) };
  }
  throw new Error('the station ended before it listened');
}

async function openBrowser(options) {
  const profile = await mkdtemp(join(tmpdir(), 'corvane-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking'],
    ...options,
  });
  return { context, close: async () => { await context.close(); await rm(profile, { recursive: true, force: true }); } };
}

const valueCell = 'tr[data-reading="total_blue"] td.value';

async function withJavaScript(origin) {
  const browser = await openBrowser({ viewport: { width: 800, height: 1000 } });
  try {
    const page = browser.context.pages()[0] ?? await browser.context.newPage();
    const consoleErrors = [];
    const foreignRequests = [];
    let navigations = 0;
    page.on('console', (message) => { if (message.type() === 'error') consoleErrors.push(message.text()); });
    page.on('pageerror', (error) => consoleErrors.push(String(error)));
    page.on('request', (request) => { if (!request.url().startsWith(`${origin}/`)) foreignRequests.push(request.url()); });
    page.on('framenavigated', (frame) => { if (frame === page.mainFrame()) navigations += 1; });

    await page.goto(`${origin}/`);
    check(await page.textContent('#state') === 'Running', 'the page shows the run state');
    check(await page.getAttribute('#light', 'class') === 'light green', 'the status light is green');
    const first = await page.textContent(valueCell);
    check(/^\d+\.\d+$/.test(first), `the page shows the total blue coefficient (${first})`);
    check(/ago$/.test(await page.textContent('tr[data-reading="total_blue"] td.age')), 'the value shows its age');

    // The station sends a new D record every second; the page asks every few seconds.
    let changed = false;
    try {
      await page.waitForFunction(
        ([selector, before]) => document.querySelector(selector).textContent !== before,
        [valueCell, first], { timeout: 15000 });
      changed = true;
    } catch { /* reported below */ }
    check(changed && navigations === 1, 'a value changes without a reload');
    check((await page.evaluate(() => document.getElementById('chart').naturalWidth)) > 0, 'the chart is drawn');

    await page.setViewportSize({ width: 390, height: 844 });
    check(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth),
      'the page fits a phone without scrolling sideways');
    await page.setViewportSize({ width: 800, height: 1000 });
    await page.screenshot({ path: screenshotPath, fullPage: true });

    check(consoleErrors.length === 0, `the console shows no error ${JSON.stringify(consoleErrors)}`);
    check(foreignRequests.length === 0, `no request goes elsewhere ${JSON.stringify(foreignRequests)}`);
  } finally {
    await browser.close();
  }
}

async function withoutJavaScript(origin) {
  const browser = await openBrowser({ javaScriptEnabled: false });
  try {
    const page = browser.context.pages()[0] ?? await browser.context.newPage();
    await page.goto(`${origin}/`);
    check(await page.textContent('#state') === 'Running', 'without JavaScript the page shows the run state');
    check(/^\d+\.\d+$/.test(await page.textContent(valueCell)), 'without JavaScript the page shows the values');
  } finally {
    await browser.close();
  }
}

const { station, port } = await startStation();
try {
  const origin = `http://127.0.0.1:${port}`;
  await withJavaScript(origin);
  await withoutJavaScript(origin);
} finally {
  station.stdin.end();
}
console.log(failures.length ? `${failures.length} check(s) failed` : 'all checks passed');
process.exit(failures.length ? 1 : 0);

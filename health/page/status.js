// Keeps the status page current: status.json every few seconds, the ages every second, the chart
// every minute. Without this script the page shows the state as of its loading.
'use strict';

const STATUS_EVERY_MS = 5000;
const CHART_EVERY_MS = 60000;

// The server's time when the last status.json was made, and this browser's time when it came:
// ages are counted on the server's clock.
let serverTime = Date.parse(document.getElementById('generated').dateTime);
let receivedAt = Date.now();

function ageText(milliseconds) {
  const s = Math.max(0, Math.floor(milliseconds / 1000));
  if (s < 60) return `${s} s`;
  if (s < 3600) return `${Math.floor(s / 60)} min`;
  if (s < 86400) return `${Math.floor(s / 3600)} h ${Math.floor((s % 3600) / 60)} min`;
  return `${Math.floor(s / 86400)} d ${Math.floor((s % 86400) / 3600)} h`;
}

function setText(id, text) {
  document.getElementById(id).textContent = text;
}

function showAges() {
  const now = serverTime + (Date.now() - receivedAt);
  for (const cell of document.querySelectorAll('td.age')) {
    const time = Date.parse(cell.dataset.time);
    cell.textContent = Number.isNaN(time) ? '' : `${ageText(now - time)} ago`;
  }
}

function show(status) {
  serverTime = Date.parse(status.generated);
  receivedAt = Date.now();
  const run = status.run;
  setText('state', run.stateText);
  setText('light-text', run.lightText);
  const since = document.getElementById('since');
  since.dateTime = run.since;
  since.textContent = run.sinceText;
  const light = document.getElementById('light');
  light.className = `light ${run.light}`;
  light.setAttribute('aria-label', run.lightText);
  setText('port', run.port ? `Com${run.port}` : '–');
  setText('device', run.device || '–');
  setText('connected', run.connected ? 'yes' : 'no');
  setText('log-file', run.logging ? run.logFile : 'not logging');
  setText('clock', run.clockText);
  for (const value of status.values) {
    const row = document.querySelector(`tr[data-reading="${value.key}"]`);
    if (!row) continue;
    row.querySelector('td.value').textContent = value.value ?? '–';
    row.querySelector('td.age').dataset.time = value.time ?? '';
  }
  setText('journal', status.journal.join('\n'));
  const generated = document.getElementById('generated');
  generated.dateTime = status.generated;
  generated.textContent = status.generatedText;
  showAges();
}

async function refresh() {
  try {
    const response = await fetch('/status.json', { cache: 'no-store' });
    if (!response.ok) throw new Error(`status ${response.status}`);
    show(await response.json());
    document.getElementById('stale').hidden = true;
  } catch {
    document.getElementById('stale').hidden = false;
  }
}

function refreshChart() {
  document.getElementById('chart').src = `/chart.svg?at=${Date.now()}`;
}

setInterval(refresh, STATUS_EVERY_MS);
setInterval(showAges, 1000);
setInterval(refreshChart, CHART_EVERY_MS);

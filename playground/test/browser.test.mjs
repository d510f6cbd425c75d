// The playground in Debian's Chromium, headless, driven by puppeteer-core:
// what a person sees, the files the page gives, and the benchmark of its
// size and speed.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, writeFileSync, existsSync } from 'node:fs';
import { gzipSync } from 'node:zlib';
import { tmpdir } from 'node:os';
import { join, basename } from 'node:path';
import puppeteer from 'puppeteer-core';
import { serve } from '../serve.mjs';
import { root, nativeBin, examples, loadQuorlin } from './scripts.mjs';
import { wrapQuorlin } from '../src/quorlinapi.js';

const site = process.env.QUORLIN_PLAYGROUND_DIR ?? join(root, 'build/playground');
const screenshot = process.env.QUORLIN_SCREENSHOT ?? join(root, 'build/playground.png');
const CHROMIUM_FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

let server;
let browser;
let origin;
const problems = []; // console errors, page errors, requests elsewhere
const requested = new Set();

before(async () => {
  server = await serve(site);
  origin = `http://127.0.0.1:${server.address().port}`;
  browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: [...CHROMIUM_FLAGS, `--user-data-dir=${mkdtempSync(join(tmpdir(), 'quorlin-chromium-'))}`],
    headless: true,
  });
});

after(async () => {
  await browser?.close();
  server?.close();
});

async function openPage(hash = '') {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 860 });
  page.on('console', (message) => message.type() === 'error' && problems.push(`console: ${message.text()}`));
  page.on('pageerror', (error) => problems.push(`page: ${error.message}`));
  page.on('request', (request) => {
    const url = new URL(request.url());
    if (url.origin === origin) requested.add(url.pathname);
    else if (url.protocol !== 'blob:' && url.protocol !== 'data:') problems.push(`request: ${request.url()}`);
  });
  await page.goto(`${origin}/${hash}`);
  await settled(page);
  return page;
}

// Until the page shows the analysis of the editor's text.
function settled(page) {
  return page.waitForFunction(() => window.quorlinEditor && window.quorlinAnalysed === window.quorlinEditor.state.doc.toString());
}

async function setText(page, text) {
  await page.evaluate((value) => {
    const view = window.quorlinEditor;
    view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: value } });
  }, text);
  await settled(page);
}

const editorText = (page) => page.evaluate(() => window.quorlinEditor.state.doc.toString());
const problemLines = (page) => page.$$eval('#problems > li', (items) => items.map((item) => Number(item.dataset.line)));
const budget = (page) => page.$eval('#budget', (element) => element.textContent);

function nativeCompile(text, folder, name) {
  writeFileSync(join(folder, name + '.txt'), text, 'latin1');
  spawnSync(join(nativeBin, 'quorlin'), ['/file', name + '.txt', '/out', name + '.tfs'], { cwd: folder });
  return join(folder, name + '.tfs');
}

test('the worked example shows no diagnostics and 57 of 8192 bytes', async () => {
  const page = await openPage();
  assert.deepEqual(await problemLines(page), []);
  assert.match(await budget(page), /57 of 8192 bytes/);
  assert.equal(await editorText(page), readFileSync(join(root, 'examples/wave.txt'), 'utf8'));
  const folder = mkdtempSync(join(tmpdir(), 'quorlin-listing-'));
  const compiled = nativeCompile(readFileSync(join(root, 'examples/wave.txt'), 'latin1'), folder, 'wave');
  const listing = spawnSync(join(nativeBin, 'tfsdump'), [compiled]).stdout.toString();
  await page.waitForFunction((text) => document.getElementById('listing').textContent === text, {}, listing);
  await page.close();
});

const THREE_MISTAKES = 'UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n' +
  'Mat30 = Sinn(Time);\nMat31 = Speed * ;\nMat32 = 2 +* 3;\nEndScript\n';

test('three mistakes show three diagnostics on their lines, underlined, and a click jumps to one', async () => {
  const page = await openPage();
  await setText(page, THREE_MISTAKES);
  assert.deepEqual(await problemLines(page), [5, 6, 7]);
  await page.waitForSelector('.cm-lintRange-error');
  await page.click('#problems > li:nth-child(2)');
  const line = await page.evaluate(() => {
    const state = window.quorlinEditor.state;
    return state.doc.lineAt(state.selection.main.head).number;
  });
  assert.equal(line, 6);
  await page.close();
});

test('a quick fix from a fix-it repairs the script', async () => {
  const page = await openPage();
  const wave = await editorText(page);
  await setText(page, wave.replace('Sin(', 'Sinn('));
  assert.equal((await problemLines(page)).length, 1);
  await page.hover('.cm-lintRange-error');
  await page.waitForSelector('.cm-diagnosticAction');
  await page.screenshot({ path: screenshot });
  await page.click('.cm-diagnosticAction');
  await settled(page);
  assert.equal(await editorText(page), wave);
  assert.deepEqual(await problemLines(page), []);
  await page.close();
});

test('the downloaded file is quorlin\'s for every shipped example', async () => {
  for (const [index, example] of examples().entries()) {
    // A page of its own for each download: a page that downloads several
    // files unasked is stopped after the first.
    const page = await openPage();
    const downloads = mkdtempSync(join(tmpdir(), 'quorlin-downloads-'));
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await page.select('#examples', basename(example.file));
    await settled(page);
    await page.click('#download');
    const file = join(downloads, 'script.tfs');
    await waitFor(() => existsSync(file) && readFileSync(file).length > 0);
    const expected = readFileSync(nativeCompile(example.text, downloads, `native${index}`));
    assert.deepEqual(readFileSync(file), expected, example.file);
    await page.close();
  }
});

async function waitFor(condition) {
  for (let i = 0; i < 200 && !condition(); i++) await new Promise((resolve) => setTimeout(resolve, 25));
  assert.ok(condition());
}

test('a .tfs file opened shows the script tfsdump --script prints', async () => {
  const folder = mkdtempSync(join(tmpdir(), 'quorlin-open-'));
  const page = await openPage();
  for (const example of examples()) {
    const compiled = nativeCompile(example.text, folder, basename(example.file, '.txt'));
    const expected = spawnSync(join(nativeBin, 'tfsdump'), ['--script', basename(compiled)], { cwd: folder }).stdout;
    const input = await page.$('#open');
    await input.uploadFile(compiled);
    await page.waitForFunction((text) => window.quorlinEditor.state.doc.toString() === text, {}, expected.toString());
  }
  await page.close();
});

test('a share link round-trips any script, and underlines follow characters of several bytes', async () => {
  const page = await openPage();
  const script = '# 100% sure? a&b=c #x é ✓\n' + THREE_MISTAKES + '\t\r\n';
  await setText(page, script);
  await page.click('#share');
  const link = await page.$eval('#share-link', (element) => element.value);
  assert.ok(link.startsWith(`${origin}/#script=`));
  const other = await openPage(link.slice(origin.length + 1));
  assert.equal(await editorText(other), script.replace(/\r\n/g, '\n'));
  // The underlines stand on their tokens after characters of several bytes.
  const underlined = await other.$$eval('.cm-lintRange-error', (ranges) => ranges.map((range) => range.textContent));
  assert.equal(underlined[0], 'Sinn');
  await other.close();
  await page.close();
});

test('Share gives a link for a lone surrogate too: it stands there as U+FFFD', async () => {
  const page = await openPage();
  await setText(page, '# a\uD800b\uDC00c \u{1F600}\n' + THREE_MISTAKES);
  await page.click('#share');
  const link = await page.$eval('#share-link', (element) => element.value);
  const other = await openPage(link.slice(origin.length + 1));
  assert.equal(await editorText(other), '# a\uFFFDb\uFFFDc \u{1F600}\n' + THREE_MISTAKES);
  await other.close();
  await page.close();
});

const UNREADABLE_LINKS = ['#script=%', '#script=%E0%A4%A', '#script=%ED%A0%80', '#script=%zz'];
const status = (page) => page.$eval('#status', (element) => element.textContent);

test('a share link that cannot be read shows the example and says so, at load and on hashchange', async () => {
  const wave = readFileSync(join(root, 'examples/wave.txt'), 'utf8');
  for (const hash of UNREADABLE_LINKS) {
    const page = await openPage(hash);
    assert.equal(await editorText(page), wave, hash);
    assert.match(await status(page), /share link cannot be read/, hash);
    await page.close();
  }
  const page = await openPage('#script=' + encodeURIComponent(THREE_MISTAKES));
  for (const hash of UNREADABLE_LINKS) {
    await page.evaluate((value) => { location.hash = value; }, hash);
    await page.waitForFunction(() => document.getElementById('status').textContent !== '');
    await settled(page);
    assert.equal(await editorText(page), wave, hash);
    // A good link afterwards shows its script and clears the message.
    await page.evaluate((value) => { location.hash = value; }, '#script=' + encodeURIComponent(THREE_MISTAKES));
    await page.waitForFunction(() => document.getElementById('status').textContent === '');
    await settled(page);
    assert.equal(await editorText(page), THREE_MISTAKES, hash);
  }
  await page.close();
});

test('formatting lays the script out as quorlin-format does', async () => {
  const page = await openPage();
  const messy = 'UserParams  Speed ;Input UV;\nOutput TexCoord2;BeginScript\nMat30=Time*0.5;EndScript\n';
  await setText(page, messy);
  await page.click('#format');
  await page.waitForFunction((text) => window.quorlinEditor.state.doc.toString() !== text, {}, messy);
  const run = spawnSync(join(nativeBin, 'quorlin-format'), ['-'], { input: messy });
  assert.equal(await editorText(page), run.stdout.toString());
  await page.close();
});

// The largest script that fits in a compiled file: statements added until
// one more would not fit.
async function largestScript() {
  const quorlin = wrapQuorlin(await loadQuorlin());
  const head = 'UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n';
  const statements = [];
  const script = (list) => head + list.join('') + 'EndScript\n';
  while (quorlin.diagnose(script([...statements, 'Mat30 = Sin(Time * Speed) + 0.5;\n'])).ok) {
    statements.push('Mat30 = Sin(Time * Speed) + 0.5;\n');
  }
  return script(statements);
}

// Milliseconds from the page's navigation start to its first diagnostics,
// over fresh loads.
async function firstDiagnostics(loads) {
  const times = [];
  for (let i = 0; i < loads; i++) {
    const page = await openPage();
    times.push(await page.evaluate(() => window.quorlinTimings.firstDiagnostics));
    await page.close();
  }
  return times;
}

// Milliseconds from an edit to its diagnostics: each edit changes a
// constant, and so the compiled bytes.
async function editTimes(page, script, edits) {
  const times = [];
  for (let i = 0; i < edits; i++) {
    const at = script.lastIndexOf('0.5');
    await page.evaluate((from, digit) => window.quorlinEditor.dispatch({ changes: { from, to: from + 1, insert: digit } }),
      at + 2, String((i % 9) + 1));
    await settled(page);
    times.push(await page.evaluate(() => window.quorlinTimings.lastEdit));
  }
  return times;
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const ms = (values) => values.map((value) => value.toFixed(1)).join(' ');

test('benchmark: size of what the page loads, first diagnostics, an edit of the largest script', async () => {
  const loads = await firstDiagnostics(5);
  const page = await openPage();
  const largest = await largestScript();
  await setText(page, largest);
  assert.match(await budget(page), /of 8192 bytes/);
  const edits = await editTimes(page, largest, 21);
  const gzipped = [...requested].map((path) => gzipSync(readFileSync(join(site, path === '/' ? 'index.html' : path))).length);
  const total = gzipped.reduce((sum, size) => sum + size, 0);
  console.log(`# bench: page files gzip ${total} bytes (${requested.size} files; goal < 1048576)`);
  console.log(`# bench: first diagnostics after navigation start: median ${median(loads).toFixed(1)} ms (${ms(loads)}; goal < 300)`);
  console.log(`# bench: edit of the largest script (${largest.length} bytes) to diagnostics: median ${median(edits).toFixed(1)} ms, worst ${Math.max(...edits).toFixed(1)} ms (goal < 16)`);
  assert.ok(total < 1048576);
  await page.close();
});

test('the page logged no error and asked for nothing but its own files', () => {
  assert.deepEqual(problems, []);
  const files = new Set(['/', ...readdirSync(site).map((name) => '/' + name)]);
  for (const path of requested) assert.ok(files.has(path), path);
});

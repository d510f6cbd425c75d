// The playground: the editor on the left, what the compiler makes of the
// script on the right, all computed in a worker as the text changes.
import { EditorView, lineNumbers, highlightActiveLine, drawSelection, keymap } from '@codemirror/view';
import { history, defaultKeymap, historyKeymap } from '@codemirror/commands';
import { setDiagnostics, lintGutter, lintKeymap } from '@codemirror/lint';
import { quorlinLanguage, quorlinHighlighting } from './language.js';
import { problemsOf, lintDiagnostics, renderProblemList } from './diagnostics.js';
import { renderBudget, hexText, download } from './panels.js';
import { sharedScript, shareHash } from './share.js';

/* global QUORLIN_EXAMPLES */
const $ = (id) => document.getElementById(id);
const worker = window.quorlinWorker;
const pending = new Map();
let nextId = 0;
let compiled = [];

function ask(op, fields) {
  const id = nextId++;
  worker.postMessage({ id, op, ...fields });
  return new Promise((resolve) => pending.set(id, resolve));
}
let listingId = -1; // the analysis whose listing the page waits for
worker.onmessage = (event) => {
  const { id, result, listing } = event.data;
  if (listing !== undefined) {
    if (id === listingId) $('listing').textContent = listing;
    return;
  }
  pending.get(id)(result);
  pending.delete(id);
};

// One analysis in flight at a time; an edit made meanwhile is analysed next.
let analysing = false;
let stale = false;
let editedAt = performance.now();
export const timings = { firstDiagnostics: null, lastEdit: null };
window.quorlinTimings = timings;

async function analyse() {
  if (analysing) {
    stale = true;
    return;
  }
  analysing = true;
  const text = view.state.doc.toString();
  listingId = nextId;
  const result = await ask('analyse', { text });
  analysing = false;
  if (stale || text !== view.state.doc.toString()) {
    stale = false;
    analyse();
    return;
  }
  show(result, text);
}

function show(result, text) {
  const problems = problemsOf(result, text);
  view.dispatch(setDiagnostics(view.state, lintDiagnostics(problems)));
  renderProblemList($('problems'), problems, jump);
  $('problem-count').textContent = problems.length === 0 ? 'no problems' : problems.length === 1 ? '1 problem' : `${problems.length} problems`;
  renderBudget($('budget'), result);
  $('hex').textContent = hexText(result.bytes);
  compiled = result.bytes;
  $('download').disabled = !result.ok;
  recordTiming();
  // The text whose analysis the page shows: tests wait for it.
  window.quorlinAnalysed = text;
}

function recordTiming() {
  const now = performance.now();
  if (timings.firstDiagnostics === null) timings.firstDiagnostics = now;
  else timings.lastEdit = now - editedAt;
}

function jump(index) {
  view.dispatch({ selection: { anchor: index }, scrollIntoView: true });
  view.focus();
}

// The text to show for what the address holds (see sharedScript): its
// script, else the worked example, with the status line saying why.
function linkedText(shared) {
  $('status').textContent = shared.error ?? '';
  return shared.text ?? QUORLIN_EXAMPLES[0].text;
}

const view = new EditorView({
  parent: $('editor'),
  doc: linkedText(sharedScript(location.hash) ?? {}),
  extensions: [
    lineNumbers(),
    lintGutter(),
    history(),
    drawSelection(),
    highlightActiveLine(),
    keymap.of([...defaultKeymap, ...historyKeymap, ...lintKeymap]),
    quorlinHighlighting,
    quorlinLanguage,
    EditorView.updateListener.of((update) => {
      if (!update.docChanged) return;
      editedAt = performance.now();
      analyse();
    }),
  ],
});
window.quorlinEditor = view;

function setText(text) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text } });
}

async function formatScript() {
  const result = await ask('format', { text: view.state.doc.toString() });
  if (result.ok) setText(result.text);
  $('status').textContent = result.ok ? '' : result.error;
}

async function openCompiled(file) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  const result = await ask('decompile', { bytes, name: file.name });
  if (!result.ok) {
    $('status').textContent = `${file.name}: ${result.error}`;
    return;
  }
  setText(result.script);
  $('status').textContent = result.problems.join('\n');
}

function fillExamples() {
  for (const example of QUORLIN_EXAMPLES) {
    const option = document.createElement('option');
    option.textContent = example.name;
    $('examples').append(option);
  }
  $('examples').addEventListener('change', (event) => {
    setText(QUORLIN_EXAMPLES.find((example) => example.name === event.target.value).text);
  });
}

function share() {
  window.history.replaceState(null, '', shareHash(view.state.doc.toString()));
  $('share-link').value = location.href;
}

fillExamples();
$('format').addEventListener('click', formatScript);
$('download').addEventListener('click', () => download(compiled, 'script.tfs'));
$('open').addEventListener('change', (event) => event.target.files[0] && openCompiled(event.target.files[0]));
$('share').addEventListener('click', share);
window.addEventListener('hashchange', () => {
  const shared = sharedScript(location.hash);
  if (shared === null) return;
  const text = linkedText(shared);
  if (text !== view.state.doc.toString()) setText(text);
});
analyse();

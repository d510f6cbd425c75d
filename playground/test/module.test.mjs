// The WebAssembly module against the native build: over every case script,
// the examples and thousands of generated scripts, the module's answers are
// byte for byte those of the same entry points built natively; over the case
// scripts and the examples, its bytes and messages are quorlin's and its
// diagnostics tfsc's.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, writeFileSync, readFileSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, basename, dirname } from 'node:path';
import { loadQuorlin, nativeBin, examples, allCaseScripts, generatedScripts } from './scripts.mjs';

const GENERATED = 3000;
const module = await loadQuorlin();
const bytesOf = (script) => Buffer.from(script, 'latin1');

// An entry point's answer as the bytes of its JSON text.
function answer(entry, bytes, ...rest) {
  const pointer = module._malloc(bytes.length + 1);
  module.HEAPU8.set(bytes, pointer);
  const at = entry(pointer, bytes.length, ...rest);
  module._free(pointer);
  return Buffer.from(module.HEAPU8.subarray(at, module.HEAPU8.indexOf(0, at))).toString('latin1');
}

function decompile(bytes) {
  const name = module._malloc(16);
  module.HEAPU8.set(Buffer.from('script.tfs\0'), name);
  const text = answer(module._quorlin_decompile, bytes, name);
  module._free(name);
  return text;
}

// The answers quorlin_wasm_reference writes for one script.
function moduleAnswers(script) {
  const bytes = bytesOf(script);
  const lines = ['_quorlin_compile', '_quorlin_diagnose', '_quorlin_format'].map((entry) => answer(module[entry], bytes));
  const compiled = Uint8Array.from(JSON.parse(lines[0]).bytes);
  if (compiled.length > 0) lines.push(answer(module._quorlin_listing, compiled), decompile(compiled));
  return lines;
}

function nativeAnswers(scripts) {
  const input = Buffer.concat(scripts.flatMap((script) => [Buffer.from(`${bytesOf(script).length}\n`), bytesOf(script)]));
  const run = spawnSync(join(nativeBin, 'quorlin_wasm_reference'), { input, maxBuffer: 1 << 30 });
  assert.equal(run.status, 0);
  return run.stdout.toString('latin1').split('\n').slice(0, -1);
}

const caseScripts = allCaseScripts();
const shipped = examples().map((example) => example.text);
const generated = generatedScripts([...shipped, ...caseScripts.filter((script) => script.length < 2000)], GENERATED, 24);

test('the module answers as the native build over every case, example and generated script', () => {
  const scripts = [...caseScripts, ...shipped, ...generated];
  const native = nativeAnswers(scripts);
  const wasm = scripts.flatMap(moduleAnswers);
  assert.equal(wasm.length, native.length);
  for (let i = 0; i < wasm.length; i++) assert.equal(wasm[i], native[i], `answer ${i}`);
  console.log(`# ${scripts.length} scripts (${GENERATED} generated), ${wasm.length} answers equal`);
});

function writeScripts(scripts) {
  const folder = mkdtempSync(join(tmpdir(), 'quorlin-wasm-'));
  return scripts.map((script, i) => {
    const file = join(folder, `s${i}.txt`);
    writeFileSync(file, bytesOf(script));
    return file;
  });
}

test('bytes and messages are quorlin\'s for every case script and example', () => {
  const scripts = [...caseScripts, ...shipped];
  writeScripts(scripts).forEach((file, i) => {
    // Names are relative: quorlin reads a leading '/' as an option's.
    const run = spawnSync(join(nativeBin, 'quorlin'), ['/file', basename(file), '/out', basename(file) + '.tfs'],
      { cwd: dirname(file) });
    const expected = run.stdout.toString('latin1').split('\n').slice(0, -2);
    const result = JSON.parse(answer(module._quorlin_compile, bytesOf(scripts[i])));
    assert.deepEqual(result.messages.map((m) => Buffer.from(m).toString('latin1')), expected, file);
    const written = existsSync(file + '.tfs') ? [...readFileSync(file + '.tfs')] : [];
    assert.deepEqual(result.bytes, result.ok ? written : [], file);
  });
});

// tfsc's JSON element for a diagnostic of the module.
function tfscElement(file, diagnostic) {
  const element = { file, line: diagnostic.line, column: diagnostic.column, columnUnit: 'byte',
    length: diagnostic.length, severity: diagnostic.severity, message: diagnostic.message };
  if (diagnostic.name !== '') element.name = diagnostic.name;
  if (diagnostic.fixits.length > 0) {
    element.fixits = diagnostic.fixits.map(({ line, column, length, replacement }) => ({ line, column, length, replacement }));
  }
  return element;
}

test('diagnostics are tfsc\'s for every UTF-8 case script and example', () => {
  const scripts = [...caseScripts, ...shipped].filter((script) => !/[\x80-\xff\0]/.test(script));
  const files = writeScripts(scripts);
  const run = spawnSync(join(nativeBin, 'tfsc'), ['--check', '--diagnostics-format=json', ...files], { maxBuffer: 1 << 30 });
  const expected = JSON.parse(run.stderr.toString());
  const actual = scripts.flatMap((script, i) =>
    JSON.parse(answer(module._quorlin_diagnose, bytesOf(script))).diagnostics.map((d) => tfscElement(files[i], d)));
  assert.deepEqual(actual, expected);
});

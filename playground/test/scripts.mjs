// Scripts for the tests: every case script, the examples, and scripts made
// from them by random edits. A script is a string of bytes (latin1), since
// scripts need not be UTF-8.
import { readFileSync, readdirSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

export const root = fileURLToPath(new URL('../..', import.meta.url));
export const wasmDir = process.env.QUORLIN_WASM_DIR ?? join(root, 'build/wasm/bin');
export const nativeBin = process.env.QUORLIN_NATIVE_BIN ?? join(root, 'build/ci/bin');

export async function loadQuorlin() {
  const createQuorlin = createRequire(import.meta.url)(join(wasmDir, 'quorlin.js'));
  return createQuorlin({ wasmBinary: readFileSync(join(wasmDir, 'quorlin.wasm')) });
}

function filesUnder(folder, extension) {
  return readdirSync(folder, { recursive: true })
    .filter((name) => name.endsWith(extension))
    .sort()
    .map((name) => join(folder, name));
}

// The "=== file" sections of a case. A "=== repeat N" section's body, N
// times over, continues the section before.
export function caseScripts(text) {
  const sections = [];
  for (const line of text.split(/(?<=\n)/)) {
    const header = /^=== (\S+) ?(.*?)\n?$/.exec(line);
    if (header) sections.push({ kind: header[1], argument: header[2], body: '' });
    else if (sections.length > 0) sections[sections.length - 1].body += line;
  }
  const scripts = [];
  let continued = null;
  for (const section of sections) {
    if (section.kind === 'repeat' && continued) continued.body += section.body.repeat(Number(section.argument));
    else continued = section;
    if (section.kind === 'file' || section.kind === 'file-noeol') scripts.push(section);
  }
  return scripts.map(({ kind, body }) => (kind === 'file-noeol' ? body.replace(/\n$/, '') : body));
}

export function examples() {
  return filesUnder(join(root, 'examples'), '.txt').map((file) => ({ file, text: readFileSync(file, 'latin1') }));
}

export function allCaseScripts() {
  return filesUnder(join(root, 'tests/cases'), '.case').flatMap((file) => caseScripts(readFileSync(file, 'latin1')));
}

// A small deterministic generator (mulberry32).
export function random(seed) {
  let state = seed >>> 0;
  return (limit) => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return (((t ^ (t >>> 14)) >>> 0) % limit);
  };
}

const PIECES = ['Mat30 = ', 'Sin(', 'Cos(', ')', '(', ';', ',', ' * ', ' + ', '-', '/', '%', '0.5', '1e9',
  '12345678901234567890.5', 'Time', 'Elapsed', 'Speed', 'UserParams a, b;', 'Input UV;', 'Output TexCoord3;',
  'BeginScript', 'EndScript', '#', '\n', ' ', 'é', '\t', 'Mat33', 'Tan', 'DegToRad(', '<', '>', '='];

// A script made from a base by a few random edits: pieces inserted, spans
// deleted or repeated.
export function mutate(base, next) {
  let text = base;
  const edits = 1 + next(4);
  for (let i = 0; i < edits; i++) {
    const at = next(text.length + 1);
    const kind = next(3);
    if (kind === 0) text = text.slice(0, at) + PIECES[next(PIECES.length)] + text.slice(at);
    else if (kind === 1) text = text.slice(0, at) + text.slice(at + 1 + next(8));
    else text = text.slice(0, at) + text.slice(at, at + next(20)) + text.slice(at);
  }
  return text;
}

export function generatedScripts(bases, count, seed) {
  const next = random(seed);
  return Array.from({ length: count }, () => mutate(bases[next(bases.length)], next));
}

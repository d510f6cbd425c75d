// Builds the playground into one folder of static files:
//     node build.mjs [--wasm DIR] [--out DIR]
// DIR of --wasm holds quorlin.js and quorlin.wasm (the `wasm` preset's bin/).
import * as esbuild from 'esbuild';
import { readFileSync, readdirSync, mkdirSync, copyFileSync, writeFileSync, rmSync } from 'node:fs';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..');

function option(name, fallback) {
  const index = process.argv.indexOf(name);
  return index >= 0 ? process.argv[index + 1] : fallback;
}

// The names of tfs/languagenames.h, sorted into what the highlighter shows.
export function languageNames(header) {
  const table = (name) => header.slice(header.indexOf(name + '[] = {'), header.indexOf('};', header.indexOf(name)));
  const entries = (text) => [...text.matchAll(/\{"([A-Za-z][A-Za-z0-9]*)",\s*(\w+)\}/g)];
  const keywords = entries(table('KEYWORDS'));
  const isType = ([, , token]) => /^TOKEN_(CS|WS|UV|TEXCOORD)/.test(token);
  return {
    sections: keywords.filter((entry) => !isType(entry)).map(([, name]) => name),
    types: keywords.filter(isType).map(([, name]) => name),
    builtins: entries(table('BUILTIN_VALUES')).map(([, name]) => name),
    functions: entries(table('FUNCTIONS')).map(([, name]) => name),
  };
}

// The shipped examples, the worked example first.
function examples() {
  const folder = join(root, 'examples');
  const names = readdirSync(folder).filter((name) => name.endsWith('.txt')).sort();
  names.sort((a, b) => (b === 'wave.txt') - (a === 'wave.txt'));
  return names.map((name) => ({ name, text: readFileSync(join(folder, name), 'utf8') }));
}

async function build(wasmDir, outDir) {
  rmSync(outDir, { recursive: true, force: true });
  mkdirSync(outDir, { recursive: true });
  const names = languageNames(readFileSync(join(root, 'tfs/languagenames.h'), 'utf8'));
  const common = { bundle: true, minify: true, format: 'iife', target: 'es2020', logLevel: 'warning' };
  await esbuild.build({
    ...common,
    entryPoints: [join(here, 'src/main.js')],
    outfile: join(outDir, 'main.js'),
    define: { QUORLIN_NAMES: JSON.stringify(names), QUORLIN_EXAMPLES: JSON.stringify(examples()) },
  });
  // The worker starts with Emscripten's loader of the module, so that it
  // fetches quorlin.wasm at once, without a request for the loader first.
  const worker = await esbuild.build({ ...common, entryPoints: [join(here, 'src/worker.js')], write: false });
  const loader = readFileSync(join(wasmDir, 'quorlin.js'), 'utf8');
  writeFileSync(join(outDir, 'worker.js'), loader + '\n' + worker.outputFiles[0].text);
  for (const file of ['index.html', 'style.css']) copyFileSync(join(here, 'src', file), join(outDir, file));
  copyFileSync(join(wasmDir, 'quorlin.wasm'), join(outDir, 'quorlin.wasm'));
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  await build(option('--wasm', join(root, 'build/wasm/bin')), option('--out', join(root, 'build/playground')));
}

// Makes one .vsix per VS Code target, each carrying that target's
// quorlin-lsp where the extension looks for it (src/server.js):
//
//   node scripts/package-targets.js <target>=<quorlin-lsp program>...
//
// for example linux-x64=../../build/ci/bin/quorlin-lsp. Writes
// quorlin-texture-script-<target>.vsix here. The server folder is put in place
// for one target at a time and removed afterwards, so that no package carries
// another target's program.
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { bundledServer } = require('../src/server');

const extensionRoot = path.join(__dirname, '..');
const serverRoot = path.join(extensionRoot, 'server');
const vsce = path.join(extensionRoot, 'node_modules', '.bin', 'vsce');

function packageTarget(target, program) {
  const [platform, arch] = target.split('-');
  const server = bundledServer(extensionRoot, platform, arch);
  fs.rmSync(serverRoot, { recursive: true, force: true });
  fs.mkdirSync(path.dirname(server), { recursive: true });
  fs.copyFileSync(program, server);
  fs.chmodSync(server, 0o755);
  const out = `quorlin-texture-script-${target}.vsix`;
  try {
    execFileSync(vsce, ['package', '--target', target, '--skip-license', '--allow-missing-repository', '--out', out],
      { cwd: extensionRoot, stdio: 'inherit' });
  } finally {
    fs.rmSync(serverRoot, { recursive: true, force: true });
  }
  console.log(`${out}: ${path.relative(extensionRoot, server)} from ${program}`);
}

const pairs = process.argv.slice(2);
if (pairs.length === 0 || !pairs.every((pair) => /^[a-z0-9]+-[a-z0-9]+=./.test(pair))) {
  console.error('usage: node scripts/package-targets.js <target>=<quorlin-lsp program>...');
  process.exit(2);
}
for (const pair of pairs) {
  const at = pair.indexOf('=');
  packageTarget(pair.slice(0, at), path.resolve(pair.slice(at + 1)));
}

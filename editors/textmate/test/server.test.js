// The extension's choice of quorlin-lsp: the path setting, the bundled
// server of the platform it runs on, or the one on PATH.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { PATH_COMMAND, bundledServer, serverCommand } = require('../src/server');

// An extension folder holding the servers of the given targets.
function extensionWith(...targets) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlin-extension-'));
  for (const target of targets) {
    const [platform, arch] = target.split('-');
    const server = bundledServer(folder, platform, arch);
    fs.mkdirSync(path.dirname(server), { recursive: true });
    fs.writeFileSync(server, '');
  }
  return folder;
}

test('each platform starts its own bundled server', () => {
  const extensionPath = extensionWith('linux-x64', 'win32-x64');
  const linux = serverCommand({ configured: '', extensionPath, platform: 'linux', arch: 'x64' });
  const windows = serverCommand({ configured: '', extensionPath, platform: 'win32', arch: 'x64' });
  assert.strictEqual(linux, path.join(extensionPath, 'server', 'linux-x64', 'quorlin-lsp'));
  assert.strictEqual(windows, path.join(extensionPath, 'server', 'win32-x64', 'quorlin-lsp.exe'));
});

test('the path setting wins over the bundled server', () => {
  const extensionPath = extensionWith('linux-x64');
  for (const configured of ['/opt/quorlin/bin/quorlin-lsp', 'quorlin-lsp', 'C:\\Tools\\quorlin-lsp.exe']) {
    assert.strictEqual(serverCommand({ configured, extensionPath, platform: 'linux', arch: 'x64' }), configured);
  }
});

test('without a setting or a server for this platform, the one on PATH', () => {
  const extensionPath = extensionWith('win32-x64');
  for (const configured of [undefined, '', '   ']) {
    assert.strictEqual(serverCommand({ configured, extensionPath, platform: 'linux', arch: 'x64' }), PATH_COMMAND);
    assert.strictEqual(serverCommand({ configured, extensionPath, platform: 'win32', arch: 'arm64' }), PATH_COMMAND);
  }
});

test('the setting is empty by default, so that the bundled server is used', () => {
  const manifest = JSON.parse(fs.readFileSync(path.join(__dirname, '..', 'package.json'), 'utf8'));
  assert.strictEqual(manifest.contributes.configuration.properties['quorlin.server.path'].default, '');
});

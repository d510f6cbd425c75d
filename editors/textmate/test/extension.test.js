// The extension activated in a stand-in for VS Code: which program it
// starts for the settings a workspace and the user give, and what its
// manifest declares about trust.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const Module = require('node:module');
const { PATH_COMMAND } = require('../src/server');

const EXTENSION = path.join(__dirname, '..');
// An installed extension without a bundled server: it starts the one on PATH.
const INSTALLED = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlin-extension-'));

// The server command of every client the extension made.
const started = [];

// Just enough of the vscode module for activate(): `path` is the setting's
// inspect() answer; get() gives the value VS Code would use, the most
// specific one.
function fakeVscode(inspected) {
  const effective = inspected.workspaceFolderValue ?? inspected.workspaceValue ?? inspected.globalValue ?? inspected.defaultValue;
  const subscription = () => ({ dispose() {} });
  return {
    workspace: {
      textDocuments: [],
      onDidOpenTextDocument: subscription,
      onDidChangeConfiguration: subscription,
      getConfiguration: (section) => ({
        get: (key) => (section === 'quorlin' && key === 'server.path' ? effective : undefined),
        inspect: (key) => (section === 'quorlin' && key === 'server.path' ? { key: 'quorlin.server.path', ...inspected } : undefined),
      }),
    },
    window: { showWarningMessage() {} },
    languages: { setTextDocumentLanguage() {} },
  };
}

class FakeLanguageClient {
  constructor(id, name, serverOptions) {
    started.push(serverOptions.run.command);
  }
  async start() {}
  async stop() {}
}

// The command the extension starts, activated afresh with the modules above.
async function startedCommand(inspected) {
  const load = Module._load;
  Module._load = function (request, ...rest) {
    if (request === 'vscode') return fakeVscode(inspected);
    if (request === 'vscode-languageclient/node') return { LanguageClient: FakeLanguageClient, TransportKind: { stdio: 0 } };
    return load.call(this, request, ...rest);
  };
  try {
    delete require.cache[require.resolve('../src/extension')];
    const extension = require('../src/extension');
    started.length = 0;
    await extension.activate({ extensionPath: INSTALLED, subscriptions: [] });
    await extension.deactivate();
    return started[0];
  } finally {
    Module._load = load;
  }
}

test('a workspace or folder that names a program does not get it started', async () => {
  for (const inspected of [
    { defaultValue: '', workspaceValue: '/bin/sh' },
    { defaultValue: '', workspaceFolderValue: './evil' },
    { defaultValue: '', globalValue: '', workspaceValue: '/bin/sh', workspaceFolderValue: './evil' },
  ]) {
    assert.strictEqual(await startedCommand(inspected), PATH_COMMAND, JSON.stringify(inspected));
  }
});

test('the user\'s own setting is started, whatever a workspace says', async () => {
  const mine = '/opt/quorlin/bin/quorlin-lsp';
  assert.strictEqual(await startedCommand({ defaultValue: '', globalValue: mine }), mine);
  assert.strictEqual(await startedCommand({ defaultValue: '', globalValue: mine, workspaceValue: '/bin/sh' }), mine);
});

test('the manifest keeps the setting out of workspaces and works in Restricted Mode', () => {
  const manifest = JSON.parse(fs.readFileSync(path.join(EXTENSION, 'package.json'), 'utf8'));
  const setting = manifest.contributes.configuration.properties['quorlin.server.path'];
  assert.ok(['machine', 'application'].includes(setting.scope), setting.scope);
  const trust = manifest.capabilities.untrustedWorkspaces;
  assert.strictEqual(trust.supported, 'limited');
  assert.deepStrictEqual(trust.restrictedConfigurations, ['quorlin.server.path']);
  assert.ok(trust.description);
});

// The VS Code extension: starts quorlin-lsp (server.js says which one) as the
// language client's server for texture scripts, and gives ".txt" files that
// hold a script the language itself (a "firstLine" pattern cannot win over
// the built-in plain-text association of ".txt").
'use strict';

const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');
const { looksLikeScript } = require('./detect');
const { serverCommand, userServerPath } = require('./server');
const { checkByteOrderMark } = require('./byteordermark');

const LANGUAGE_ID = 'quorlin';
let client;
let extensionPath;

function serverPath() {
  const configured = userServerPath(vscode.workspace.getConfiguration('quorlin').inspect('server.path'));
  return serverCommand({ configured, extensionPath });
}

// Once per file: a ".txt" script is opened again when it gets the language.
const warnedFiles = new Set();
function warnAboutByteOrderMark(document) {
  if (!warnedFiles.has(document.fileName) && checkByteOrderMark(document, (text) => vscode.window.showWarningMessage(text))) {
    warnedFiles.add(document.fileName);
  }
}

function claimScript(document) {
  const isTxt = document.uri.scheme === 'file' && document.fileName.toLowerCase().endsWith('.txt');
  if (isTxt && document.languageId === 'plaintext' && looksLikeScript(document.getText())) {
    vscode.languages.setTextDocumentLanguage(document, LANGUAGE_ID);
    warnAboutByteOrderMark(document);
  } else if (document.languageId === LANGUAGE_ID) {
    warnAboutByteOrderMark(document);
  }
}

async function startClient() {
  const command = serverPath();
  client = new LanguageClient(
    'quorlin',
    'Quorlin Texture Script',
    { run: { command, transport: TransportKind.stdio }, debug: { command, transport: TransportKind.stdio } },
    { documentSelector: [{ language: LANGUAGE_ID }] },
  );
  await client.start();
}

async function restartClient() {
  if (client) {
    await client.stop();
  }
  await startClient();
}

async function activate(context) {
  extensionPath = context.extensionPath;
  vscode.workspace.textDocuments.forEach(claimScript);
  context.subscriptions.push(
    vscode.workspace.onDidOpenTextDocument(claimScript),
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration('quorlin.server.path')) {
        restartClient();
      }
    }),
  );
  await startClient();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };

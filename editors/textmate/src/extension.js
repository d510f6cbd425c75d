// The VS Code extension: starts quorlin-lsp (server.js says which one) as the
// language client's server for texture scripts, and gives ".txt" files that
// hold a script the language itself (a "firstLine" pattern cannot win over
// the built-in plain-text association of ".txt").
'use strict';

const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');
const { looksLikeScript } = require('./detect');
const { serverCommand } = require('./server');

const LANGUAGE_ID = 'quorlin';
let client;
let extensionPath;

function serverPath() {
  const configured = vscode.workspace.getConfiguration('quorlin').get('server.path');
  return serverCommand({ configured, extensionPath });
}

function claimScript(document) {
  const isTxt = document.uri.scheme === 'file' && document.fileName.toLowerCase().endsWith('.txt');
  if (isTxt && document.languageId === 'plaintext' && looksLikeScript(document.getText())) {
    vscode.languages.setTextDocumentLanguage(document, LANGUAGE_ID);
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

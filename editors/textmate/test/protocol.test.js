// The language server as a client sees it: quorlin-lsp run over stdio and
// driven through vscode-jsonrpc, the JSON-RPC library (at the version) that
// vscode-languageclient uses. Every method the server offers is exercised.
// The server is the one QUORLIN_LSP names, else the one of the ci build.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const { spawn } = require('node:child_process');
const rpc = require('vscode-jsonrpc/node');

const SERVER = process.env.QUORLIN_LSP || path.join(__dirname, '..', '..', '..', 'build', 'ci', 'bin', 'quorlin-lsp');
const URI = 'file:///work/wave.txt';
const WORKED_EXAMPLE = 'UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n' +
  'Mat30 = Time * 0.5;\nMat31 = -Sin(Speed);\nEndScript\n';
const BUDGET = '57 of 8192 bytes \u00b7 1 of 32 constants \u00b7 2 of 16 temporaries';

// A running server with a connection to it; diagnostics arrive in order.
function startServer() {
  const child = spawn(SERVER, [], { stdio: ['pipe', 'pipe', 'pipe'] });
  const connection = rpc.createMessageConnection(
    new rpc.StreamMessageReader(child.stdout), new rpc.StreamMessageWriter(child.stdin));
  const diagnostics = [];
  const waiting = [];
  connection.onNotification('textDocument/publishDiagnostics', (params) => {
    diagnostics.push(params);
    while (waiting.length > 0) waiting.shift()();
  });
  connection.listen();
  const exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  return {
    child, connection, exited,
    // The next publishDiagnostics not yet taken.
    async nextDiagnostics() {
      while (diagnostics.length === 0) await new Promise((resolve) => waiting.push(resolve));
      return diagnostics.shift();
    },
  };
}

// The client shows notes with their problem, as VS Code does.
const CLIENT_CAPABILITIES = { textDocument: { publishDiagnostics: { relatedInformation: true } } };

async function initialized(text = WORKED_EXAMPLE) {
  const server = startServer();
  const result = await server.connection.sendRequest('initialize',
    { processId: null, rootUri: null, capabilities: CLIENT_CAPABILITIES });
  server.connection.sendNotification('initialized', {});
  server.capabilities = result.capabilities;
  server.connection.sendNotification('textDocument/didOpen',
    { textDocument: { uri: URI, languageId: 'quorlin', version: 1, text } });
  server.opened = await server.nextDiagnostics();
  return server;
}

async function stop(server) {
  await server.connection.sendRequest('shutdown');
  server.connection.sendNotification('exit');
  const code = await server.exited;
  server.connection.dispose();
  return code;
}

const at = (line, character, extra = {}) => ({ textDocument: { uri: URI }, position: { line, character }, ...extra });
const range = (l1, c1, l2, c2) => ({ start: { line: l1, character: c1 }, end: { line: l2, character: c2 } });

test('initialize announces every feature and shutdown then exit ends with 0', async () => {
  const server = await initialized();
  const c = server.capabilities;
  assert.strictEqual(c.textDocumentSync.change, 2);
  for (const name of ['hoverProvider', 'definitionProvider', 'referencesProvider', 'documentHighlightProvider',
    'documentSymbolProvider', 'inlayHintProvider', 'documentFormattingProvider', 'documentRangeFormattingProvider']) {
    assert.strictEqual(c[name], true, name);
  }
  assert.ok(c.completionProvider && c.signatureHelpProvider && c.renameProvider.prepareProvider);
  assert.ok(c.semanticTokensProvider.full && c.codeActionProvider && c.codeLensProvider);
  assert.strictEqual(await stop(server), 0);
});

test('exit without shutdown ends with 1', async () => {
  const server = await initialized();
  server.connection.sendNotification('exit');
  assert.strictEqual(await server.exited, 1);
});

test('diagnostics follow open, incremental and full changes, save and close', async () => {
  const server = await initialized();
  assert.deepStrictEqual(server.opened.diagnostics, []);
  const send = (method, params) => server.connection.sendNotification(method, params);
  // "0.5;" loses its ";": the error stands where the ";" belongs.
  send('textDocument/didChange', { textDocument: { uri: URI, version: 2 },
    contentChanges: [{ range: range(4, 18, 4, 19), text: '' }] });
  let published = await server.nextDiagnostics();
  assert.strictEqual(published.version, 2);
  // The error alone, its note with it as related information.
  assert.strictEqual(published.diagnostics.length, 1);
  const [problem] = published.diagnostics;
  assert.deepStrictEqual(problem.range, range(4, 18, 4, 18));
  assert.strictEqual(problem.severity, 1);
  assert.strictEqual(problem.source, 'quorlin');
  assert.strictEqual(problem.message, 'Expected semicolon at end of line');
  assert.strictEqual(problem.relatedInformation.length, 1);
  assert.deepStrictEqual(problem.relatedInformation[0].location, { uri: URI, range: range(4, 18, 4, 18) });
  // The note's fix-it, offered as a quick fix, puts the ";" back.
  const actions = await server.connection.sendRequest('textDocument/codeAction',
    { textDocument: { uri: URI }, range: problem.range, context: { diagnostics: [problem] } });
  assert.strictEqual(actions.length, 1);
  assert.strictEqual(actions[0].kind, 'quickfix');
  assert.strictEqual(actions[0].title, "Insert ';'");
  const [fix] = actions[0].edit.changes[URI];
  assert.deepStrictEqual(fix, { range: range(4, 18, 4, 18), newText: ';' });
  send('textDocument/didChange', { textDocument: { uri: URI, version: 3 }, contentChanges: [{ range: fix.range, text: fix.newText }] });
  assert.deepStrictEqual((await server.nextDiagnostics()).diagnostics, []);
  // A warning has its name as code, and the script still compiles.
  send('textDocument/didChange', { textDocument: { uri: URI, version: 4 },
    contentChanges: [{ range: range(0, 16, 0, 16), text: ', Rate' }] });
  published = await server.nextDiagnostics();
  assert.deepStrictEqual(published.diagnostics.map((d) => [d.severity, d.code, d.range]),
    [[2, 'unused-parameter', range(0, 18, 0, 22)]]);
  // A multi-byte comment before the fault: characters are UTF-16 units.
  send('textDocument/didChange', { textDocument: { uri: URI, version: 5 },
    contentChanges: [{ text: 'BeginScript # \u00e9\ud83d\ude00\n\ud83d\ude00 Mat00 = 1;\nEndScript\n' }] });
  published = await server.nextDiagnostics();
  assert.deepStrictEqual(published.diagnostics[0].range.start, { line: 0, character: 0 });
  send('textDocument/didChange', { textDocument: { uri: URI, version: 6 }, contentChanges: [{ text: WORKED_EXAMPLE }] });
  assert.deepStrictEqual((await server.nextDiagnostics()).diagnostics, []);
  send('textDocument/didSave', { textDocument: { uri: URI } });
  assert.deepStrictEqual((await server.nextDiagnostics()).diagnostics, []);
  send('textDocument/didClose', { textDocument: { uri: URI } });
  assert.deepStrictEqual(await server.nextDiagnostics(), { uri: URI, diagnostics: [] });
  assert.strictEqual(await stop(server), 0);
});

test('completion, hover and signature help', async () => {
  const server = await initialized();
  const request = (method, params) => server.connection.sendRequest(method, params);
  const inputs = (await request('textDocument/completion', at(1, 6))).map((item) => item.label);
  assert.ok(inputs.includes('UV') && inputs.includes('CSNormal') && !inputs.includes('Time'));
  const body = await request('textDocument/completion', at(4, 8));
  const sin = body.find((item) => item.label === 'Sin');
  assert.strictEqual(sin.insertText, 'Sin($1)');
  assert.ok(body.some((item) => item.label === 'Speed') && body.some((item) => item.label === 'Mat33'));
  const hover = await request('textDocument/hover', at(5, 15));
  assert.strictEqual(hover.contents.value, '**Speed**: user parameter 0, slot 32');
  assert.deepStrictEqual(hover.range, range(5, 13, 5, 18));
  const help = await request('textDocument/signatureHelp', at(5, 13));
  assert.strictEqual(help.signatures[0].label, 'Sin(value)');
  assert.strictEqual(await stop(server), 0);
});

test('definition, references, highlights and rename follow a parameter', async () => {
  const server = await initialized();
  const request = (method, params) => server.connection.sendRequest(method, params);
  assert.deepStrictEqual(await request('textDocument/definition', at(5, 14)), { uri: URI, range: range(0, 11, 0, 16) });
  const references = await request('textDocument/references', at(5, 14, { context: { includeDeclaration: true } }));
  assert.strictEqual(references.length, 2);
  assert.strictEqual((await request('textDocument/documentHighlight', at(0, 12))).length, 2);
  assert.strictEqual((await request('textDocument/prepareRename', at(0, 12))).placeholder, 'Speed');
  const edit = await request('textDocument/rename', at(0, 12, { newName: 'Rate' }));
  assert.deepStrictEqual(edit.changes[URI].map((e) => e.newText), ['Rate', 'Rate']);
  await assert.rejects(request('textDocument/rename', at(0, 12, { newName: 'Time' })),
    (error) => error.code === rpc.ErrorCodes.InvalidParams);
  assert.strictEqual(await stop(server), 0);
});

test('symbols, semantic tokens, budget hint and lens, code actions', async () => {
  const server = await initialized();
  const request = (method, params) => server.connection.sendRequest(method, params);
  const document = { textDocument: { uri: URI } };
  const symbols = await request('textDocument/documentSymbol', document);
  assert.deepStrictEqual(symbols.map((s) => s.name), ['UserParams', 'Input', 'Output', 'BeginScript']);
  const tokens = await request('textDocument/semanticTokens/full', document);
  assert.strictEqual(tokens.data.length % 5, 0);
  const legend = server.capabilities.semanticTokensProvider.legend.tokenTypes;
  assert.strictEqual(legend[tokens.data[3]], 'keyword'); // UserParams
  const hints = await request('textDocument/inlayHint', { ...document, range: range(0, 0, 7, 0) });
  assert.strictEqual(hints[0].label, BUDGET);
  const lenses = await request('textDocument/codeLens', document);
  assert.strictEqual(lenses[0].command.title, BUDGET);
  const actions = await request('textDocument/codeAction', { ...document, range: range(0, 0, 7, 0), context: { diagnostics: [] } });
  assert.ok(Array.isArray(actions));
  const options = { tabSize: 4, insertSpaces: true };
  assert.deepStrictEqual(await request('textDocument/formatting', { ...document, options }), []); // already canonical
  server.connection.sendNotification('textDocument/didChange', { textDocument: { uri: URI, version: 2 },
    contentChanges: [{ range: range(4, 5, 4, 6), text: '' }] });
  await server.nextDiagnostics();
  const edits = await request('textDocument/formatting', { ...document, options });
  assert.deepStrictEqual(edits, [{ range: range(0, 0, 7, 0), newText: WORKED_EXAMPLE }]);
  assert.strictEqual(await stop(server), 0);
});

test('errors: unknown method, malformed JSON, unknown documents and positions outside the text', async () => {
  const server = await initialized();
  const request = (method, params) => server.connection.sendRequest(method, params);
  await assert.rejects(request('quorlin/unknown', {}), (error) => error.code === rpc.ErrorCodes.MethodNotFound);
  server.connection.sendNotification('quorlin/unknownNotification', {});
  assert.strictEqual(await request('textDocument/hover', { textDocument: { uri: 'file:///none.txt' }, position: { line: 0, character: 0 } }), null);
  assert.strictEqual(await request('textDocument/hover', at(99, 0)), null);
  assert.deepStrictEqual(await request('textDocument/completion', at(0, 999)), []);
  assert.strictEqual(await stop(server), 0);
});

// Raw bytes on the wire: what vscode-jsonrpc cannot be made to send.
function rawExchange(input) {
  return new Promise((resolve) => {
    const child = spawn(SERVER, [], { stdio: ['pipe', 'pipe', 'pipe'] });
    const chunks = [];
    child.stdout.on('data', (chunk) => chunks.push(chunk));
    child.on('exit', (code) => resolve({ code, output: Buffer.concat(chunks).toString('utf8') }));
    child.stdin.end(input);
  });
}

function frame(body) {
  return `Content-Length: ${Buffer.byteLength(body)}\r\n\r\n${body}`;
}

function parseFrames(output) {
  const messages = [];
  let rest = output;
  while (rest.length > 0) {
    const match = /^Content-Length: (\d+)\r\n\r\n/.exec(rest);
    assert.ok(match, `not a frame: ${rest.slice(0, 60)}`);
    const start = match[0].length;
    const bytes = Buffer.from(rest.slice(start), 'utf8').subarray(0, Number(match[1])).toString('utf8');
    messages.push(JSON.parse(bytes));
    rest = rest.slice(start + bytes.length);
  }
  return messages;
}

test('malformed JSON and headers get parse errors; standard output holds only frames', async () => {
  const input = frame('{"jsonrpc":"2.0","id":1,"method":"initialize","params":{}}') + frame('{"jsonrpc": tru') +
    'X-Nothing: 1\r\n\r\n' + frame('{"jsonrpc":"2.0","id":2,"method":"shutdown"}') + frame('{"jsonrpc":"2.0","method":"exit"}');
  const { code, output } = await rawExchange(input);
  assert.strictEqual(code, 0);
  const messages = parseFrames(output);
  assert.deepStrictEqual(messages.slice(1).map((m) => (m.error ? m.error.code : m.result)), [-32700, -32700, null]);
});

// The server keeps documents up to 16 MiB: one of 12 MB is answered; a change
// to 50 MB is refused, the document forgotten (its diagnostics cleared, the
// user told), and the server goes on.
test('a 12 MB document is answered, a 50 MB one refused and the server goes on', async () => {
  const server = await initialized();
  const messages = [];
  server.connection.onNotification('window/showMessage', (params) => messages.push(params.message));
  const grown = (bytes) => WORKED_EXAMPLE.replace('EndScript\n', 'Mat00 = Mat00 + 1;\n'.repeat(bytes / 19) + 'EndScript\n');
  const change = (version, text) => server.connection.sendNotification('textDocument/didChange',
    { textDocument: { uri: URI, version }, contentChanges: [{ text }] });
  change(2, grown(12 * 1000 * 1000));
  assert.ok((await server.nextDiagnostics()).diagnostics.length >= 1);
  assert.ok((await server.connection.sendRequest('textDocument/hover', at(5, 15))).contents.value.includes('Speed'));
  change(3, grown(50 * 1024 * 1024));
  assert.deepStrictEqual(await server.nextDiagnostics(), { uri: URI, diagnostics: [] });
  assert.strictEqual(await server.connection.sendRequest('textDocument/hover', at(5, 15)), null);
  assert.ok(messages.some((message) => message.includes('no longer follows')), messages.join('\n'));
  assert.strictEqual(await stop(server), 0);
});

// The development server: a request it cannot read gets 400, and the server
// goes on serving the folder.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { request } from 'node:http';
import { mkdtempSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve } from '../serve.mjs';

// The status and body of a GET of the target, sent as it is written; an
// error when no answer comes (a server that died answers nothing).
function get(port, path) {
  return new Promise((resolve, reject) => {
    const sent = request({ host: '127.0.0.1', port, path, timeout: 10000 }, (response) => {
      const chunks = [];
      response.on('data', (chunk) => chunks.push(chunk));
      response.on('end', () => resolve({ status: response.statusCode, body: Buffer.concat(chunks).toString() }));
    });
    sent.on('timeout', () => sent.destroy(new Error(`no answer to ${path}`)));
    sent.on('error', reject).end();
  });
}

test('a path that is not percent-encoded UTF-8 gets 400, and the next request its file', async () => {
  const folder = mkdtempSync(join(tmpdir(), 'quorlin-serve-'));
  writeFileSync(join(folder, 'index.html'), '<!doctype html>');
  writeFileSync(join(folder, 'é.js'), 'x');
  const server = await serve(folder);
  const { port } = server.address();
  try {
    for (const path of ['/%E0', '/%ED%A0%80', '/%zz', '/%', 'http://[']) {
      assert.equal((await get(port, path)).status, 400, path);
      assert.deepEqual(await get(port, '/'), { status: 200, body: '<!doctype html>' }, `after ${path}`);
    }
    assert.deepEqual(await get(port, '/%C3%A9.js'), { status: 200, body: 'x' });
    assert.equal((await get(port, '/missing.js')).status, 404);
  } finally {
    server.close();
  }
});

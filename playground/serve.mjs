// Serves a folder of static files on the loopback address:
//     node serve.mjs [DIR] [PORT]
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { join, extname, normalize } from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
};

// The file path a request names, or null when its target is no URL or its
// path is not percent-encoded UTF-8 (a browser sends neither, but anything
// may reach the port).
function requestedPath(url) {
  try {
    return normalize(decodeURIComponent(new URL(url, 'http://localhost').pathname));
  } catch {
    return null;
  }
}

export function serve(folder, port = 0) {
  const server = createServer(async (request, response) => {
    const path = requestedPath(request.url);
    if (path === null) {
      response.writeHead(400).end();
      return;
    }
    const file = join(folder, path === '/' ? 'index.html' : path);
    try {
      const body = await readFile(file);
      response.writeHead(200, { 'Content-Type': TYPES[extname(file)] ?? 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const server = await serve(process.argv[2] ?? 'dist', Number(process.argv[3] ?? 8080));
  console.log(`serving on http://127.0.0.1:${server.address().port}/`);
}

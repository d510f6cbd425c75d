// The compiler's thread: the page posts requests, each answered in order
// with the same id, so typing never waits for a compile.
import { wrapQuorlin } from './quorlinapi.js';

importScripts('quorlin.js');

const ready = self.createQuorlin().then(wrapQuorlin);

// A script as the page shows it: the engine's diagnostics, and the listing
// of the compiled bytes when there are any.
function analyse(quorlin, text) {
  const result = quorlin.diagnose(text);
  result.listing = result.ok ? quorlin.listing(Uint8Array.from(result.bytes)).listing : '';
  return result;
}

const operations = {
  analyse: (quorlin, request) => analyse(quorlin, request.text),
  format: (quorlin, request) => quorlin.format(request.text),
  decompile: (quorlin, request) => quorlin.decompile(request.bytes, request.name),
};

self.onmessage = async (event) => {
  const quorlin = await ready;
  const request = event.data;
  self.postMessage({ id: request.id, result: operations[request.op](quorlin, request) });
};

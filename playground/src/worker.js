// The compiler's thread: the page posts requests, each answered with the
// same id, so typing never waits for a compile. An analysis is answered
// twice: first the diagnostics, then the listing, which takes longer and is
// skipped when a newer request has come in meanwhile.
// Emscripten's loader (quorlin.js), which defines createQuorlin, comes
// first in the built file.
import { wrapQuorlin } from './quorlinapi.js';

const ready = self.createQuorlin().then(wrapQuorlin);
let latestId = -1;
// The last listing, made again only when the bytes change.
let listed = { bytes: '', listing: '' };

function listingOf(quorlin, result) {
  const bytes = result.bytes.join();
  if (bytes !== listed.bytes) {
    listed = { bytes, listing: result.ok ? quorlin.listing(Uint8Array.from(result.bytes)).listing : '' };
  }
  return listed.listing;
}

function analyse(quorlin, request) {
  const result = quorlin.diagnose(request.text);
  setTimeout(() => {
    if (request.id === latestId) self.postMessage({ id: request.id, listing: listingOf(quorlin, result) });
  }, 0);
  return result;
}

const operations = {
  analyse,
  format: (quorlin, request) => quorlin.format(request.text),
  decompile: (quorlin, request) => quorlin.decompile(request.bytes, request.name),
};

self.onmessage = async (event) => {
  const request = event.data;
  latestId = request.id;
  const quorlin = await ready;
  self.postMessage({ id: request.id, result: operations[request.op](quorlin, request) });
};

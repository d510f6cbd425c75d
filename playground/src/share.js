// A share link holds the script itself: #script= and its text, percent-encoded.
const PREFIX = '#script=';

export function sharedScript(hash) {
  return hash.startsWith(PREFIX) ? decodeURIComponent(hash.slice(PREFIX.length)) : null;
}

export function shareHash(text) {
  return PREFIX + encodeURIComponent(text);
}

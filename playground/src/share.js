// A share link holds the script itself: #script= and its text, percent-encoded
// as UTF-8.
const PREFIX = '#script=';

const UNREADABLE_LINK = 'This share link cannot be read: its script is not percent-encoded UTF-8. ' +
  'The example is shown instead.';

// What the address holds: null when it holds no script, else { text } or,
// for a link cut short or mangled, { error } with the message to show.
export function sharedScript(hash) {
  if (!hash.startsWith(PREFIX)) return null;
  try {
    return { text: decodeURIComponent(hash.slice(PREFIX.length)) };
  } catch (error) {
    if (error instanceof URIError) return { error: UNREADABLE_LINK };
    throw error;
  }
}

// UTF-8 has no form for half of a surrogate pair, so a lone one (pasted or
// left by an edit) goes into the link as U+FFFD, the character that stands
// for what cannot be encoded; pairs stay as they are.
const LONE_SURROGATE = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/g;

export function shareHash(text) {
  return PREFIX + encodeURIComponent(text.replace(LONE_SURROGATE, '\uFFFD'));
}

// Recognises a texture script by its first lines, for files whose extension
// (".txt") says nothing: after any comment lines and blank lines at the top,
// the first line starts with a section keyword.
'use strict';

// The section keywords, matched without case as the compiler matches them.
// test/detect.test.js checks this list against the language's table of names.
const SECTION_KEYWORDS = ['UserParams', 'Input', 'Output', 'BeginScript', 'EndScript'];

// How many lines at the top may be comments or blank before giving up.
const MAX_LEADING_LINES = 50;

function startsWithSectionKeyword(line) {
  const word = /^[A-Za-z][A-Za-z0-9]*/.exec(line.trimStart());
  return word !== null && SECTION_KEYWORDS.some((keyword) => keyword.toLowerCase() === word[0].toLowerCase());
}

function looksLikeScript(text) {
  const lines = text.split('\n', MAX_LEADING_LINES);
  for (const line of lines) {
    const trimmed = line.trim();
    if (trimmed === '' || trimmed.startsWith('#')) {
      continue;
    }
    return startsWithSectionKeyword(trimmed);
  }
  return false;
}

module.exports = { SECTION_KEYWORDS, looksLikeScript };

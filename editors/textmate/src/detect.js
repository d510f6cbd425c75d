// Recognises a texture script by its first words, for files whose extension
// (".txt") says nothing: after any lines that are blank or hold only a
// comment (# to the end of the line), the first word of the next line (a
// letter, then letters and digits, as the compiler reads a word) is a section
// keyword. Vim and Neovim use the same rule (editors/vim/ftdetect), and all
// three are tested against editors/script-detection.json.
'use strict';

// The section keywords, matched without case as the compiler matches them.
// test/detect.test.js checks this list against the language's table of names.
const SECTION_KEYWORDS = ['UserParams', 'Input', 'Output', 'BeginScript', 'EndScript'];

// White space as the compiler skips it: space, tab, LF, VT, FF and CR.
const BLANK_OR_COMMENT = /^[ \t-\r]*(#[^\n]*)?$/;
const KEYWORD_FIRST = new RegExp(`^[ \\t-\\r]*(${SECTION_KEYWORDS.join('|')})(?![A-Za-z0-9])`, 'i');

function looksLikeScript(text) {
  for (const line of text.split('\n')) {
    if (!BLANK_OR_COMMENT.test(line)) {
      return KEYWORD_FIRST.test(line);
    }
  }
  return false;
}

module.exports = { SECTION_KEYWORDS, looksLikeScript };

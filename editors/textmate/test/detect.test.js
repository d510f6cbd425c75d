// The first-line detection of ".txt" scripts, against the example scripts
// and the language's own table of section keywords.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { SECTION_KEYWORDS, looksLikeScript } = require('../src/detect');

const root = path.join(__dirname, '..', '..', '..');

test('every example script is recognised', () => {
  const examples = fs.readdirSync(path.join(root, 'examples')).filter((name) => name.endsWith('.txt'));
  assert.ok(examples.length > 0);
  for (const name of examples) {
    assert.ok(looksLikeScript(fs.readFileSync(path.join(root, 'examples', name), 'utf8')), name);
  }
});

test('a keyword on the first line, or after comments and blank lines, in any case', () => {
  assert.ok(looksLikeScript('UserParams Speed;\n'));
  assert.ok(looksLikeScript('  beginscript\r\nEndScript\r\n'));
  assert.ok(looksLikeScript('# a comment\n\n# another\nInput UV;\n'));
  assert.ok(looksLikeScript('Output;'));
});

test('ordinary text files are left alone', () => {
  assert.ok(!looksLikeScript(''));
  assert.ok(!looksLikeScript('Shopping list\nUserParams\n'));
  assert.ok(!looksLikeScript('Inputs and outputs\n'));
  assert.ok(!looksLikeScript('# only a comment\n'));
  assert.ok(!looksLikeScript('UserParamsX;\n'));
});

test('the section keywords are those of the language table', () => {
  const names = fs.readFileSync(path.join(root, 'tfs', 'languagenames.h'), 'utf8');
  for (const token of ['USERPARAMS', 'INPUT', 'OUTPUT', 'BEGINSCRIPT', 'ENDSCRIPT']) {
    const entry = new RegExp(`\\{"([A-Za-z]+)", TOKEN_${token}\\}`).exec(names);
    assert.ok(entry, token);
    assert.ok(SECTION_KEYWORDS.includes(entry[1]), entry[1]);
  }
  assert.strictEqual(SECTION_KEYWORDS.length, 5);
});

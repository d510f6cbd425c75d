// The detection of ".txt" scripts, against the example scripts, the texts
// every editor is tested against, and the language's own table of section
// keywords.
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

// The texts every editor's detection is tested against.
const detection = JSON.parse(fs.readFileSync(path.join(root, 'editors', 'script-detection.json'), 'utf8'));

test('a keyword first, or after comments and blank lines, in any case', () => {
  for (const lines of detection.scripts) {
    assert.ok(looksLikeScript(lines.join('\n')), JSON.stringify(lines));
    assert.ok(looksLikeScript(lines.join('\r\n')), JSON.stringify(lines));
  }
});

test('ordinary text files are left alone', () => {
  for (const lines of detection.others) {
    assert.ok(!looksLikeScript(lines.join('\n')), JSON.stringify(lines));
  }
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

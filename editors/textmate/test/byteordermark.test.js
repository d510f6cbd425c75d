// The warning for a script file that starts with a UTF-8 byte-order mark.
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { startsWithByteOrderMark, readHead, checkByteOrderMark } = require('../src/byteordermark');

function scriptFile(bytes) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlin-bom-'));
  const fileName = path.join(folder, 'wave.tsc');
  fs.writeFileSync(fileName, bytes);
  return fileName;
}

function warnings(fileName, scheme = 'file') {
  const shown = [];
  checkByteOrderMark({ uri: { scheme }, fileName }, (text) => shown.push(text));
  return shown;
}

test('the mark is the three bytes EF BB BF at the start', () => {
  assert.ok(startsWithByteOrderMark(Buffer.from([0xef, 0xbb, 0xbf, 0x55])));
  assert.ok(!startsWithByteOrderMark(Buffer.from([0xef, 0xbb])));
  assert.ok(!startsWithByteOrderMark(Buffer.from('UserParams\ufeff;')));
});

test('a script file that starts with the mark gets one warning naming it', () => {
  const fileName = scriptFile(Buffer.concat([Buffer.from([0xef, 0xbb, 0xbf]), Buffer.from('UserParams Speed;\n')]));
  const shown = warnings(fileName);
  assert.strictEqual(shown.length, 1);
  assert.ok(shown[0].startsWith(fileName) && shown[0].includes('byte-order mark'), shown[0]);
});

test('a script without the mark, an unsaved document and a missing file get none', () => {
  assert.deepStrictEqual(warnings(scriptFile('UserParams Speed;\n')), []);
  assert.deepStrictEqual(warnings(scriptFile(Buffer.from([0xef, 0xbb, 0xbf])), 'untitled'), []);
  assert.deepStrictEqual(warnings(path.join(os.tmpdir(), 'quorlin-no-such-folder', 'x.tsc')), []);
  assert.strictEqual(readHead(path.join(os.tmpdir(), 'quorlin-no-such-folder', 'x.tsc')).length, 0);
});

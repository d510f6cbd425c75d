// A script saved with a UTF-8 byte-order mark: VS Code hides the mark from
// the document (and so from quorlin-lsp, which then finds nothing wrong),
// but the compiler reads it as the script's first token and fails. The
// file's own first bytes tell.
'use strict';

const fs = require('node:fs');

const BYTE_ORDER_MARK = Buffer.from([0xef, 0xbb, 0xbf]);

function startsWithByteOrderMark(bytes) {
  return bytes.length >= BYTE_ORDER_MARK.length && bytes.subarray(0, BYTE_ORDER_MARK.length).equals(BYTE_ORDER_MARK);
}

// The first bytes of a file; none when it cannot be read.
function readHead(fileName) {
  let fd;
  try {
    fd = fs.openSync(fileName, 'r');
    const head = Buffer.alloc(BYTE_ORDER_MARK.length);
    return head.subarray(0, fs.readSync(fd, head, 0, head.length, 0));
  } catch {
    return Buffer.alloc(0);
  } finally {
    if (fd !== undefined) {
      fs.closeSync(fd);
    }
  }
}

function warningText(fileName) {
  return `${fileName} starts with a UTF-8 byte-order mark, which the compiler cannot read: ` +
    'save it as "UTF-8" (without BOM) before compiling.';
}

// Warns (through warn) about a script file that starts with the mark;
// whether it did.
function checkByteOrderMark(document, warn, read = readHead) {
  if (document.uri.scheme !== 'file' || !startsWithByteOrderMark(read(document.fileName))) {
    return false;
  }
  warn(warningText(document.fileName));
  return true;
}

module.exports = { startsWithByteOrderMark, readHead, checkByteOrderMark };

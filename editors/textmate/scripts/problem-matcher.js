#!/usr/bin/env node
// Checks the problem matcher for tfsc (package.json, contributes.problemMatchers)
// against tfsc's own output: the standard error that an end-to-end case of
// tfsc expects, which the case runner keeps true to the program. Every
// location line must match with its file, line, column, severity and message;
// the source and caret lines must not.
'use strict';

const fs = require('fs');
const path = require('path');

const root = path.join(__dirname, '..');
const matcher = require(path.join(root, 'package.json')).contributes.problemMatchers.find((m) => m.name === 'tfsc');
const casePath = path.join(root, '..', '..', 'tests', 'tfsc', 'three_mistakes_three_errors.case');

// The body of the case's "=== stderr" section.
function expectedStderr(text) {
  const lines = text.split('\n');
  const start = lines.indexOf('=== stderr') + 1;
  const end = lines.findIndex((line, i) => i >= start && line.startsWith('=== '));
  return lines.slice(start, end);
}

const expected = [
  ['wave.txt', '5', '16', 'error', "Invalid variable found: 'speed'"],
  ['wave.txt', '5', '16', 'note', "did you mean 'Speed'?"],
  ['wave.txt', '1', '12', 'note', "parameter names are case-sensitive: 'Speed' is declared here"],
  ['wave.txt', '6', '9', 'error', "Invalid variable found: 'Sinn'"],
  ['wave.txt', '6', '9', 'note', "did you mean 'Sin'?"],
  ['wave.txt', '7', '17', 'error', "Invalid variable found: '.'"],
  ['wave.txt', '7', '17', 'note', "a number starts with a digit: did you mean '0.5'?"],
];

const pattern = matcher.pattern;
const regexp = new RegExp(pattern.regexp);
const found = [];
for (const line of expectedStderr(fs.readFileSync(casePath, 'utf8'))) {
  const match = regexp.exec(line);
  if (match)
    found.push([pattern.file, pattern.line, pattern.column, pattern.severity, pattern.message].map((i) => match[i]));
}
const extra = [['/tmp/my scripts/a:b.txt:3:1: warning: statement has no effect: it assigns nothing [-Wunused-value]',
                ['/tmp/my scripts/a:b.txt', '3', '1', 'warning']]];
let failed = 0;
if (JSON.stringify(found) !== JSON.stringify(expected)) {
  failed++;
  console.log(`problem matcher: matched\n${JSON.stringify(found, null, 1)}\nexpected\n${JSON.stringify(expected, null, 1)}`);
}
for (const [line, fields] of extra) {
  const match = regexp.exec(line);
  if (!match || JSON.stringify(fields) !== JSON.stringify([1, 2, 3, 4].map((i) => match[i]))) {
    failed++;
    console.log(`problem matcher: '${line}' gives ${JSON.stringify(match)}`);
  }
}
console.log(`problem matcher: ${2 - failed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);

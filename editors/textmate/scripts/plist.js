#!/usr/bin/env node
// Sublime Text reads TextMate grammars only as XML property lists, while VS Code
// and GitHub read the JSON form. The JSON grammar is the one edited by hand;
// this script writes the property list from it.
//
//   node scripts/plist.js           rewrite sublime/quorlin.tmLanguage
//   node scripts/plist.js --check   fail if that file is out of date
'use strict';

const fs = require('fs');
const path = require('path');

const root = path.join(__dirname, '..');
const source = path.join(root, 'syntaxes', 'quorlin.tmLanguage.json');
const target = path.join(root, 'sublime', 'quorlin.tmLanguage');

function escapeXml(text) {
  return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
}

function toPlist(value, indent) {
  const pad = '\t'.repeat(indent);
  if (typeof value === 'string') {
    return `${pad}<string>${escapeXml(value)}</string>\n`;
  }
  if (Array.isArray(value)) {
    return `${pad}<array>\n${value.map((item) => toPlist(item, indent + 1)).join('')}${pad}</array>\n`;
  }
  if (value !== null && typeof value === 'object') {
    const entries = Object.keys(value).map(
      (key) => `${pad}\t<key>${escapeXml(key)}</key>\n${toPlist(value[key], indent + 1)}`);
    return `${pad}<dict>\n${entries.join('')}${pad}</dict>\n`;
  }
  throw new Error(`unexpected value in grammar: ${JSON.stringify(value)}`);
}

function render() {
  const grammar = JSON.parse(fs.readFileSync(source, 'utf8'));
  return '<?xml version="1.0" encoding="UTF-8"?>\n' +
    '<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n' +
    '<!-- Generated from syntaxes/quorlin.tmLanguage.json by scripts/plist.js: edit that file instead. -->\n' +
    '<plist version="1.0">\n' + toPlist(grammar, 0) + '</plist>\n';
}

const expected = render();
if (process.argv.includes('--check')) {
  const actual = fs.existsSync(target) ? fs.readFileSync(target, 'utf8') : '';
  if (actual !== expected) {
    console.error(`${path.relative(root, target)} is out of date: run "npm run build:plist"`);
    process.exit(1);
  }
  console.log(`${path.relative(root, target)} matches the JSON grammar`);
} else {
  fs.writeFileSync(target, expected);
  console.log(`wrote ${path.relative(root, target)}`);
}

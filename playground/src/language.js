// The language's highlighting, from the names the compiler's table holds
// (tfs/languagenames.h, read at build time into QUORLIN_NAMES). Words match
// in any letter case, as the compiler reads them.
import { StreamLanguage, HighlightStyle, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';

/* global QUORLIN_NAMES */
const lower = (names) => new Set(names.map((name) => name.toLowerCase()));
const SECTIONS = lower(QUORLIN_NAMES.sections);
const TYPES = lower(QUORLIN_NAMES.types);
const BUILTINS = lower(QUORLIN_NAMES.builtins);
const FUNCTIONS = lower(QUORLIN_NAMES.functions);
const MATRIX_ELEMENT = /^mat[0-3][0-3]$/;

function wordStyle(word) {
  const name = word.toLowerCase();
  if (SECTIONS.has(name)) return 'keyword';
  if (TYPES.has(name)) return 'typeName';
  if (FUNCTIONS.has(name)) return 'variableName.function';
  if (BUILTINS.has(name) || MATRIX_ELEMENT.test(name)) return 'atom';
  return 'variableName';
}

function token(stream) {
  if (stream.eatSpace()) return null;
  if (stream.match(/^#.*/)) return 'comment';
  if (stream.match(/^[0-9][0-9.]*/)) return 'number';
  const word = stream.match(/^[A-Za-z][A-Za-z0-9]*/);
  if (word) return wordStyle(word[0]);
  const symbol = stream.next();
  return '+-*/%=<>'.includes(symbol) ? 'operator' : 'punctuation';
}

export const quorlinLanguage = StreamLanguage.define({ name: 'quorlin', token });

export const quorlinHighlighting = syntaxHighlighting(
  HighlightStyle.define([
    { tag: tags.comment, color: '#8a5a00', fontStyle: 'italic' },
    { tag: tags.keyword, color: '#708', fontWeight: 'bold' },
    { tag: tags.typeName, color: '#085' },
    { tag: tags.function(tags.variableName), color: '#15c' },
    { tag: tags.atom, color: '#219' },
    { tag: tags.number, color: '#164' },
    { tag: tags.operator, color: '#a11' },
  ]),
);

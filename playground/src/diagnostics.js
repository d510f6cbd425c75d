// The engine's diagnostics in the editor: errors and warnings underlined,
// their notes' fix-its as quick fixes, and all of them as a list.
import { byteToIndex } from './offsets.js';

function fixAction(note, indexOf) {
  const changes = note.fixits.map((fix) => ({
    from: indexOf(fix.offset),
    to: indexOf(fix.offset + fix.length),
    insert: fix.replacement,
  }));
  return { name: note.message, apply: (view) => view.dispatch({ changes }) };
}

// The problems (errors and warnings), each with its notes.
export function problemsOf(result, text) {
  const indexOf = byteToIndex(text);
  const problems = [];
  for (const diagnostic of result.diagnostics) {
    const from = indexOf(diagnostic.offset);
    const place = { from, to: Math.max(from, indexOf(diagnostic.offset + diagnostic.length)) };
    if (diagnostic.parent < 0) {
      problems.push({ ...diagnostic, ...place, notes: [], actions: [] });
      continue;
    }
    const parent = problems[problems.length - 1];
    parent.notes.push({ ...diagnostic, ...place });
    if (diagnostic.fixits.length > 0) parent.actions.push(fixAction(diagnostic, indexOf));
  }
  return problems;
}

// For @codemirror/lint: the notes' text joins the message.
export function lintDiagnostics(problems) {
  return problems.map((problem) => ({
    from: problem.from,
    to: problem.to,
    severity: problem.severity,
    message: [problem.message, ...problem.notes.map((note) => 'note: ' + note.message)].join('\n'),
    actions: problem.actions,
  }));
}

function listItem(problem, jump) {
  const item = document.createElement('li');
  item.className = 'problem ' + problem.severity;
  item.dataset.line = problem.line;
  item.textContent = `${problem.line}:${problem.column} ${problem.severity}: ${problem.message}`;
  for (const note of problem.notes) {
    const line = document.createElement('div');
    line.className = 'note';
    line.textContent = `note: ${note.message}`;
    item.append(line);
  }
  item.addEventListener('click', () => jump(problem.from));
  return item;
}

export function renderProblemList(element, problems, jump) {
  element.replaceChildren(...problems.map((problem) => listItem(problem, jump)));
}

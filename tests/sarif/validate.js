#!/usr/bin/env node
// Runs tfsc with --diagnostics-format=sarif over scripts that draw every kind
// of diagnostic (errors with notes and fix-its, warnings, the note of a run
// stopped at its error limit, a file that cannot be read, bytes that are not
// UTF-8, names with spaces, standard input, no problem at all) and validates
// each log against the SARIF 2.1.0 JSON schema that @microsoft/jest-sarif
// ships, with the same validator settings.
//
//   npm ci && npm test -- <path to tfsc>     (default: ../../build/ci/bin/tfsc)
//
// Ends with "N passed, N failed"; exits non-zero on any failure.
'use strict';

const Ajv = require('ajv');
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const tfsc = path.resolve(process.argv[2] || path.join(__dirname, '..', '..', 'build', 'ci', 'bin', 'tfsc'));
const schema = require('@microsoft/jest-sarif/lib/schemas/sarif-2.1.0-rtm.5.json');

const ajv = new Ajv({allErrors: true, schemaId: 'auto', format: 'full'});
ajv.addMetaSchema(require('ajv/lib/refs/json-schema-draft-04.json'));
const validate = ajv.compile(schema);

const header = 'UserParams Speed;\nInput UV;\nOutput TexCoord2;\nBeginScript\n';
const scripts = {
  'three mistakes.txt': header + 'Mat30 = Time * speed;\nMat31 = Sinn(Speed);\n\tMat32 = .5;\nEndScript\n',
  'warnings.txt': 'UserParams Time scroll_speed sin;\nInput UV;\nOutput TexCoord2;\nBeginScript\n' +
      'Time = 1;\nMat00 * 2;\nEndScript\nMat01 = 1;\n',
  'bytes.txt': Buffer.concat([Buffer.from(header + 'Mat00 = '), Buffer.from([0xe9, 0xff]), Buffer.from(';\nEndScript\n')]),
  'clean.txt': header + 'Mat30 = Time * 0.5;\nMat31 = -Sin(Speed);\nEndScript\n',
  'header.txt': 'UserParams a;\nInput TexCoord2;\n',
};
const runs = [
  {name: 'errors with notes and fix-its', args: ['three mistakes.txt']},
  {name: 'warnings', args: ['warnings.txt']},
  {name: 'warnings as errors', args: ['-Werror', 'warnings.txt']},
  {name: 'stopped at the error limit', args: ['-ferror-limit=1', 'three mistakes.txt']},
  {name: 'bytes that are not UTF-8', args: ['bytes.txt']},
  {name: 'no problem', args: ['clean.txt']},
  {name: 'a header error and a missing file', args: ['header.txt', 'missing file.txt']},
  {name: 'standard input', args: ['-'], input: scripts['three mistakes.txt']},
];

const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlin-sarif-'));
for (const [name, text] of Object.entries(scripts))
  fs.writeFileSync(path.join(folder, name), text);

let passed = 0;
let failed = 0;
for (const run of runs) {
  const result = childProcess.spawnSync(tfsc, ['--check', '--diagnostics-format=sarif', ...run.args],
                                        {cwd: folder, input: run.input || ''});
  let problem = '';
  if (result.error) {
    problem = `cannot run ${tfsc}: ${result.error.message}`;
  } else {
    try {
      const log = JSON.parse(result.stderr.toString('utf8'));
      if (!validate(log))
        problem = ajv.errorsText(validate.errors, {separator: '\n  '});
      else if (log.runs[0].results.length === 0 && run.name !== 'no problem')
        problem = 'the log holds no result';
    } catch (error) {
      problem = `standard error is not one JSON document: ${error.message}`;
    }
  }
  if (problem) {
    failed++;
    console.log(`FAILED ${run.name}:\n  ${problem}`);
  } else {
    passed++;
    console.log(`ok ${run.name}`);
  }
}
fs.rmSync(folder, {recursive: true, force: true});
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);

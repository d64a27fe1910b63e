#!/usr/bin/env node
// Validates glTF files (.glb, or .gltf with the files it names) with the Khronos glTF Validator
// and exits non-zero when any has an error or a warning; prints every message it reports.
// usage: node scripts/validate-gltf.js VALIDATOR_MODULE_DIR FILE...
'use strict';
const fs = require('fs');
const path = require('path');

const [validatorDir, ...files] = process.argv.slice(2);
if (!validatorDir || files.length === 0) {
  console.error('usage: validate-gltf.js VALIDATOR_MODULE_DIR FILE...');
  process.exit(2);
}
const validator = require(path.resolve(validatorDir));

async function validate(file) {
  const bytes = new Uint8Array(fs.readFileSync(file));
  const report = await validator.validateBytes(bytes, {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)), (err, data) =>
          err ? reject(err.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  const issues = report.issues;
  for (const message of issues.messages) {
    const kind = ['error', 'warning', 'info', 'hint'][message.severity] || 'message';
    console.log(`${file}: ${kind} ${message.code} at ${message.pointer || '-'}: ${message.message}`);
  }
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings`);
  return issues.numErrors === 0 && issues.numWarnings === 0;
}

(async () => {
  let clean = true;
  for (const file of files) {
    try {
      clean = (await validate(file)) && clean;
    } catch (error) {
      console.log(`${file}: cannot validate: ${error}`);
      clean = false;
    }
  }
  process.exit(clean ? 0 : 1);
})();

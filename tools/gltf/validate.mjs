// Runs the Khronos glTF validator on each .glb given and fails on any error or warning.
// Usage: node validate.mjs FILE.glb...
import { readFile } from 'node:fs/promises';
import validator from 'gltf-validator';

let failed = false;
for (const name of process.argv.slice(2)) {
  const report = await validator.validateBytes(new Uint8Array(await readFile(name)), {
    maxIssues: 50,
  });
  const { numErrors, numWarnings, numInfos, numHints, messages } = report.issues;
  console.log(`${name}: ${numErrors} errors, ${numWarnings} warnings, ${numInfos} infos, ` +
              `${numHints} hints`);
  for (const message of messages) {
    console.log(`  ${message.code} (severity ${message.severity}) ${message.pointer ?? ''}: ` +
                message.message);
  }
  if (numErrors > 0 || numWarnings > 0) failed = true;
}
process.exit(failed ? 1 : 0);

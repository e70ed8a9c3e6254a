#!/usr/bin/env bash
# perinax-explain's SARIF against Microsoft's SARIF Multitool, with the rule
# kinds of SARIF itself and of GitHub code scanning (Ghas): no error, and no
# warning but SARIF2005, which asks for the tool's web address (informationUri),
# and Perinax has none. Run over the bundled example and over the files here,
# full of mistakes, each given by a relative name as CI gives it; and over the
# log of a run that could not check its file, whose invocation must say so.
#
#   tests/sarif/validate.sh PERINAX-EXPLAIN SOURCE-DIR
set -euo pipefail
explain=$1
source=$2
multitool=/usr/local/lib/perinax-npm/node_modules/.bin/sarif-multitool
[ -x "$multitool" ] || { echo "no SARIF Multitool at $multitool: run scripts/install-deps.sh" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source/examples/Perinax.ini" "$source"/tests/sarif/*.ini "$work"
cd "$work"
n=0
for ini in *.ini; do
  n=$((n + 1))
  # Exit code 1: warnings were found, which is what most of these files are for.
  code=0
  "$explain" --format sarif "$ini" >"log$n.sarif" || code=$?
  [ "$code" -le 1 ] || { echo "perinax-explain $ini: exit code $code" >&2; exit 1; }
done
n=$((n + 1))
code=0
"$explain" --format sarif missing.ini >"log$n.sarif" 2>/dev/null || code=$?
[ "$code" -eq 2 ] || { echo "perinax-explain missing.ini: exit code $code, not 2" >&2; exit 1; }

# The tool's launcher hands its words to a shell: the list of rule kinds is quoted for it.
"$multitool" validate --rule-kind "'Sarif;Ghas'" --output report.sarif log*.sarif >multitool.txt 2>&1 ||
  { cat multitool.txt; exit 1; }
python3 - report.sarif "$n" "log$n.sarif" <<'PY'
import json, sys
report, files = json.load(open(sys.argv[1])), int(sys.argv[2])
failed = json.load(open(sys.argv[3]))["runs"][0]["invocations"][0]
run = report["runs"][0]
results = run.get("results", [])
problems = [r for r in results if r["ruleId"] != "SARIF2005"]
if sum(r["ruleId"] == "SARIF2005" for r in results) != files:
    problems.append("the multitool did not look at every log")
for notification in run["invocations"][0].get("toolExecutionNotifications", []):
    if notification.get("level", "warning") in ("error", "warning"):
        problems.append(notification)
notifications = failed.get("toolExecutionNotifications", [])
if failed.get("executionSuccessful") is not False or not notifications or \
        notifications[0].get("level") != "error" or \
        notifications[0]["message"]["text"] != "cannot read missing.ini: no such file":
    problems.append({"the failed run's invocation": failed})
for problem in problems:
    print(json.dumps(problem, indent=1))
if problems:
    sys.exit(f"{len(problems)} SARIF problem(s) beyond the missing informationUri")
print(f"{files} SARIF logs valid (Sarif and Ghas rules), the last of a failed run")
PY

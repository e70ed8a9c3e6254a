#!/usr/bin/env bash
# perinax-explain's CI forms read as their readers read them, over a tree of
# packages whose names and values hold what each reader escapes (% : , ; ] CR):
# the GitHub and Azure lines against their documented grammar, unescaped as the
# runner and the agent unescape them; JUnit and Checkstyle XML through a real
# XML parser; the GitLab report as JSON; --output writing a second form in the
# same run; and the multi-file SARIF log through the SARIF Multitool.
#
#   tests/forms/check-forms.sh PERINAX-EXPLAIN
set -euo pipefail
explain=$1
multitool=/usr/local/lib/perinax-npm/node_modules/.bin/sarif-multitool
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p "pkgs/50% off,a:b" pkgs/clean pkgs/semi\;colon
printf '[Default]\r\nSetupFile=setup.exe\r\nRegPath32KeyPath=SOFTWARE\\V ; 100%% ] done\r\nRegPath32KeyName=N\r\nRegPath32KeyValue=0x10\r\nRegPath64KeyPath=SOFTWARE\\V\r\nRegPath64KeyName=N\r\nRegPath64KeyValue=1\r\nSetupFlie=x\r\n' \
  >"pkgs/50% off,a:b/Perinax.ini"
printf '[Default]\nSetupFile=setup.exe\nRegPath32KeyPath=SOFTWARE\\V\nRegPath32KeyName=N\nRegPath32KeyValue=1\nRegPath64KeyPath=SOFTWARE\\V\nRegPath64KeyName=N\nRegPath64KeyValue=1\n' \
  >pkgs/clean/Perinax.ini
printf '[win7]\n' >pkgs/semi\;colon/PERINAX.ini
for d in pkgs/*/; do : >"$d/setup.exe"; done

for form in github azure gcc gitlab junit checkstyle sarif; do
  code=0
  "$explain" --format "$form" --output "text=$form.txt" pkgs >"out.$form" || code=$?
  [ "$code" -eq 1 ] || { echo "--format $form: exit code $code, not 1" >&2; exit 1; }
  grep -q '^3 files checked, 2 with findings' "$form.txt" || { echo "--output text=$form.txt:" >&2; cat "$form.txt" >&2; exit 1; }
done

python3 - <<'PY'
import json, re, xml.etree.ElementTree as ET

def unescape(text, table):
    for escaped, plain in table:
        text = text.replace(escaped, plain)
    return text

gcc = [re.fullmatch(r"(.+?):(\d+):(\d+): (error|warning|note): (.*) \[([a-z-]+)\]", l) for l in open("out.gcc").read().splitlines()]
assert gcc and all(gcc), open("out.gcc").read()
want = sorted((m[1], int(m[2]), int(m[3]), m[6], m[5]) for m in gcc)
files = {m[1] for m in gcc}
assert files == {"pkgs/50% off,a:b/Perinax.ini", "pkgs/semi;colon/PERINAX.ini"}, files

# GitHub: ::LEVEL file=F,line=L,col=C[,endColumn=E],title=T::MESSAGE; properties escape % CR LF : ,
github = []
data = [("%0D", "\r"), ("%0A", "\n"), ("%25", "%")]
prop = [("%3A", ":"), ("%2C", ",")] + data
for line in open("out.github").read().splitlines():
    m = re.fullmatch(r"::(error|warning|notice) ((?:[a-zA-Z]+=[^,:]*)(?:,[a-zA-Z]+=[^,:]*)*)::(.*)", line)
    assert m, line
    props = dict(p.split("=", 1) for p in m[2].split(","))
    props = {k: unescape(v, prop) for k, v in props.items()}
    github.append((props["file"], int(props["line"]), int(props["col"]), props["title"], unescape(m[3], data)))
assert sorted(github) == want, (github, want)

# Azure: ##vso[task.logissue type=T;sourcepath=F;linenumber=L;columnnumber=C;code=X]MESSAGE
azure = []
table = [("%3B", ";"), ("%0D", "\r"), ("%0A", "\n"), ("%5D", "]"), ("%AZP25", "%")]
for line in open("out.azure").read().splitlines():
    m = re.fullmatch(r"##vso\[task\.logissue ([a-z]+=[^;\]]*(?:;[a-z]+=[^;\]]*)*)\]([^\r\n]*)", line)
    assert m, line
    props = {k: unescape(v, table) for k, v in (p.split("=", 1) for p in m[1].split(";"))}
    assert props["type"] in ("error", "warning"), props
    azure.append((props["sourcepath"], int(props["linenumber"]), int(props["columnnumber"]), props["code"], unescape(m[2], table)))
assert sorted(azure) == want, (azure, want)

gitlab = json.load(open("out.gitlab"))
assert sorted((i["location"]["path"], i["location"]["lines"]["begin"], i["check_name"]) for i in gitlab) == \
    sorted((w[0], w[1], w[3]) for w in want)
assert len({i["fingerprint"] for i in gitlab}) == len(gitlab)
assert {i["severity"] for i in gitlab} <= {"info", "minor", "major", "critical", "blocker"}

junit = ET.parse("out.junit").getroot()
suites = junit.findall("testsuite")
assert [s.get("name") for s in suites] == ["pkgs/50% off,a:b/Perinax.ini", "pkgs/clean/Perinax.ini", "pkgs/semi;colon/PERINAX.ini"], suites
assert len(suites[1].findall("testcase")) == 1 and suites[1].find("testcase/failure") is None
assert sum(len(s.findall("testcase/failure")) for s in suites) == len(want)

checkstyle = ET.parse("out.checkstyle").getroot()
errors = [(f.get("name"), int(e.get("line")), int(e.get("column")), e.get("source").split(".")[1], e.get("message"))
          for f in checkstyle.findall("file") for e in f.findall("error")]
assert sorted(errors) == want, (errors, want)
assert {e.get("severity") for e in checkstyle.iter("error")} <= {"error", "warning", "info"}

sarif = json.load(open("out.sarif"))["runs"]
assert len(sarif) == 1 and len(sarif[0]["artifacts"]) == 3
print(f"ok: {len(want)} findings alike in gcc, github, azure, gitlab, junit and checkstyle")
PY

"$multitool" validate --rule-kind "'Sarif;Ghas'" --output report.sarif out.sarif >multitool.txt 2>&1 || { cat multitool.txt; exit 1; }
python3 - <<'PY'
import json
results = json.load(open("report.sarif"))["runs"][0].get("results", [])
problems = [r for r in results if r["ruleId"] != "SARIF2005"]
if problems:
    raise SystemExit(json.dumps(problems, indent=1))
print("ok: the multi-file SARIF log is valid (Sarif and Ghas rules)")
PY

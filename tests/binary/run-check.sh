# Sourced by the binary checks that run whole commands:
#   check WHAT COMMAND...
# runs the command with its output kept in $work/out.txt (so $work must be
# set), prints "ok:" or "FAIL:" with WHAT, shows the output of a failure, and
# counts the failures in $failures.
failures=0
check() {
  local what=$1
  shift
  if "$@" >"$work/out.txt" 2>&1; then
    echo "ok:   $what"
  else
    echo "FAIL: $what"
    cat "$work/out.txt"
    failures=$((failures + 1))
  fi
}

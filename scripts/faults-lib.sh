# shellcheck shell=bash
# Sourced by the scripts that plant the deliberate faults of tests/faults/faults.txt:
#   parse FAULTS_FILE      ID<TAB>FILE<TAB>OLD<TAB>NEW<TAB>WHAT, one line a fault
#   apply FILE OLD NEW     replaces the one occurrence of OLD in FILE by NEW; fails unless
#                          there is exactly one (\n in OLD and NEW stands for a line break)
parse() {
  awk '
    /^\[/ { if (id != "") print id "\t" file "\t" old "\t" new "\t" what
            id = substr($1, 2, length($1) - 2); what = substr($0, length($1) + 2); next }
    /^file / { file = substr($0, 6); next }
    /^old  / { old = substr($0, 6); next }
    /^new  / { new = substr($0, 6); next }
    END { if (id != "") print id "\t" file "\t" old "\t" new "\t" what }
  ' "$1"
}

apply() {
  OLD=$2 NEW=$3 perl -0777 -i -pe '
    BEGIN { ($o, $n) = map { s/\\n/\n/gr } @ENV{qw(OLD NEW)} }
    $count = () = /\Q$o\E/g;
    die "found $count times\n" if $count != 1;
    s/\Q$o\E/$n/;
  ' "$1"
}

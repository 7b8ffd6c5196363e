#!/usr/bin/env bash
# A manual page must render without a single groff warning and carry the usual
# sections (in any order, other sections beside them).
# usage: tests/man_lint.sh PAGE.1
set -u
page=$1
fail=0
warnings=$(LC_ALL=C groff -man -ww -z "$page" 2>&1)
if [ -n "$warnings" ]; then echo "groff warnings in $page:"; echo "$warnings"; fail=1; fi
want="NAME SYNOPSIS DESCRIPTION OPTIONS FILES EXIT_STATUS EXAMPLES SEE_ALSO"
have=$(sed -n 's/^\.SH "\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$page" | tr ' ' _)
for s in $want; do
  grep -qx "$s" <<< "$have" || { echo "$page has no section ${s/_/ }"; fail=1; }
done
exit $fail

#!/usr/bin/env bash
# twinser-basins -S over two "machines" that are this one, reached through a
# stand-in for ssh: GNU parallel builds the remote command lines, quoting and
# environment exactly as for a cluster, and the stand-in runs them here in a
# clean environment from the home folder, as sshd would. Every run must
# finish, on both machines, with paths holding blanks and replacement strings.
# usage: tests/basins/ssh_test.sh BIN_DIR   (BIN_DIR holds twinser-view)
set -u
bin_dir=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
b="$work/campaign {} 1"
python3 "$src/tests/basins/gen.py" "$b" plain 6
cat > "$work/fake-ssh" <<EOF
#!/bin/sh
# ssh [options] HOST [--] COMMAND...: notes the host, runs COMMAND with sh
# here with only what sshd sets (ssh takes options after the host too; GNU
# parallel ends them with --)
while [ \$# -gt 0 ]; do
  case \$1 in
    -[lpoiF]) shift 2 ;;
    -*) shift ;;
    *) break ;;
  esac
done
echo "\$1" >> "$work/hosts"
shift
[ "\$1" = -- ] && shift
cd "\$HOME" && exec env -i HOME="\$HOME" SHELL=/bin/sh PATH=/usr/bin:/bin sh -c "\$*"
EOF
chmod +x "$work/fake-ssh"

"$src/scripts/twinser-basins" --bin-dir "$bin_dir" -S "1/node-a,1/node-b" --ssh "$work/fake-ssh" \
  "$b" > "$work/out" 2> "$work/err"
status=$?
[ "$status" = 0 ] || { echo "FAILED: exit status $status"; fail=1; }
grep -qx "6 basins, 12 runs: 12 finished, 0 finished after a refusal, 0 stopped" "$work/out" ||
  { echo "FAILED: the count line"; fail=1; }
[ "$(($(wc -l < "$b/basins.csv") - 1))" = 12 ] || { echo "FAILED: 12 rows in basins.csv"; fail=1; }
for h in node-a node-b; do
  grep -qx "$h" "$work/hosts" 2> /dev/null || { echo "FAILED: nothing ran on $h"; fail=1; }
done
if [ $fail = 1 ]; then
  echo "--- output:"; cat "$work/out"; echo "--- standard error:"; cat "$work/err"
  echo "--- hosts:"; sort "$work/hosts" 2> /dev/null | uniq -c
fi
exit $fail

#!/usr/bin/env bash
# vellumark-cli writing into a pipe whose reader has gone (`| head -c 1`):
# the run ends with status 1 and says why, instead of being killed by a
# signal. The addresses are no page addresses, so nothing is fetched; there
# are enough of them to fill the pipe long after its reader has left.
set -uo pipefail
cli="$1"
err="$(mktemp)"
trap 'rm -f "$err"' EXIT
yes 'no address' | head -n 200000 | "$cli" -n -q 2>"$err" | head -c 1 >/dev/null
status=${PIPESTATUS[2]}
if [ "$status" -ne 1 ]; then
  echo "FAIL: exit status $status with a closed standard output, want 1"
  exit 1
fi
if ! grep -q 'cannot write standard output' "$err"; then
  echo "FAIL: no message on standard error:"; cat "$err"
  exit 1
fi
echo "closed standard output: status 1 and its message"

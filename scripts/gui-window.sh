# Sourced by the scripts that drive a Windows program's real window under
# Wine + Xvfb (the smoke tests, the downloads check).

# Prints the id of the first window whose name matches the extended regular
# expression $1, waiting up to 20 s for it; prints nothing if none appears.
wait_for_window() {
  local window=""
  for _ in $(seq 80); do
    window="$(xdotool search --name "$1" 2>/dev/null | head -1)"
    [ -n "$window" ] && break
    sleep 0.25
  done
  printf '%s' "$window"
}

# Waits up to $2 seconds for process $1 (a child of this shell) to end.
# Returns its exit status, or 124 when it is still running.
wait_for_exit() {
  local pid="$1" tenths=$(( $2 * 10 ))
  for _ in $(seq "$tenths"); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && return 124
  wait "$pid"
}

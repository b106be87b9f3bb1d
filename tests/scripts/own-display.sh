#!/usr/bin/env bash
# Runs a command on an X display server of its own. The server picks a free display number
# itself and reports it (-displayfd), so tests started side by side, or beside other displays on
# the machine, never share a display or race for the same number (choosing a number by looking
# for the lock files of others, and then starting the server on it, lets two starts take the same
# one).
#
# Usage: own-display.sh [-e SERVER_LOG] COMMAND [ARGUMENT...]
# The command's exit status is the script's; the server ends with it.
set -uo pipefail

log=/dev/null
if [ "${1:-}" = -e ]; then
  log=${2:?server log file}
  shift 2
fi
[ $# -gt 0 ] || { echo "usage: own-display.sh [-e SERVER_LOG] COMMAND [ARGUMENT...]" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "missing Xvfb (scripts/install-deps.sh installs it)" >&2; exit 2; }

dir=$(mktemp -d)
mkfifo "$dir/number"
# -noreset: the display stays as it is when its last client leaves (a check that the display
# answers is such a client); a display that resets then refuses the clients that come next.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$dir/number" >>"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"' EXIT

# The server writes its display number once it accepts clients; a server that could not start
# closes the pipe without it.
number=""
read -r number < "$dir/number" || true
if [ -z "$number" ]; then
  echo "the X display server did not start" >&2
  [ "$log" = /dev/null ] || cat "$log" >&2
  exit 2
fi
DISPLAY=:$number "$@"
status=$?
exit "$status"

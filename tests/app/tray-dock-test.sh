#!/usr/bin/env bash
# The tracker's notification-area icon on a real desktop: under Xvfb with a notification area
# (trayer), the icon docks into it (seen in the window tree), and choosing Exit from the icon's
# menu (a right click on the icon, then the menu's second entry) ends the program.
#
# Usage: tray-dock-test.sh STAGED_PROGRAM_FOLDER
set -euo pipefail

staged=${1:?staged program folder}
for tool in xvfb-run trayer xwininfo xdotool; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A program folder of its own, so the staged one is left as it is.
mkdir -p "$work/program" "$work/runtime"
chmod 700 "$work/runtime"
cp "$staged/zentivor" "$work/program/"
cp -r "$staged/databases" "$staged/language" "$work/program/"
mkdir -p "$work/program/backup" "$work/program/attachments"
# No question at exit and no web site on the first start.
printf '[Settings]\r\nOpenSite=1\r\nAskExit=0\r\n' > "$work/program/Ovralun.ini"

cat > "$work/desktop.sh" <<'EOF'
#!/usr/bin/env bash
set -uo pipefail
work=$1
# On the X display Xvfb gives (the tests elsewhere run offscreen), and without a session bus, so
# that Qt docks its icon the XEmbed way, into trayer.
export QT_QPA_PLATFORM=xcb
unset DBUS_SESSION_BUS_ADDRESS
export XDG_RUNTIME_DIR=$work/runtime

# Waits until the command succeeds; the two minutes only end a test whose program never comes up
# on a slow, busy machine.
wait_for() {
  for _ in $(seq 1200); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# On a busy machine the display may answer only a moment after xvfb-run hands over, and a
# notification area that could not connect ends at once: wait for the display, and start the
# notification area again while the icon has not docked.
display_up() { xwininfo -root >/dev/null 2>&1; }
if ! wait_for display_up; then
  echo "FAIL: the X display never answered"
  exit 1
fi
start_tray() { trayer --edge top --align right --widthtype pixel --width 100 --height 32 & tray=$!; }
start_tray
"$work/program/zentivor" > "$work/zentivor.log" 2>&1 &
program=$!
cleanup() { kill "$program" "$tray" 2>/dev/null; }
trap cleanup EXIT

docked() {
  kill -0 "$tray" 2>/dev/null || start_tray
  xwininfo -name panel -tree 2>/dev/null | grep -q '("zentivor" "zentivor")'
}
if ! wait_for docked; then
  echo "FAIL: the icon did not dock into the notification area"
  xwininfo -root -tree
  cat "$work/zentivor.log"
  exit 1
fi
icon=$(xwininfo -name panel -tree | grep '("zentivor" "zentivor")' | head -1)
echo "docked: $icon"
# "22x30+0+0  +1257+1": the size and the position on the screen.
read -r width height <<< "$(echo "$icon" | sed -E 's/.* ([0-9]+)x([0-9]+)\+[-0-9]+\+[-0-9]+ +\+[-0-9]+\+[-0-9]+$/\1 \2/')"
read -r left top <<< "$(echo "$icon" | sed -E 's/.* \+([-0-9]+)\+([-0-9]+)$/\1 \2/')"

windows() { xwininfo -root -children | grep -c '("zentivor" "zentivor")'; }
before=$(windows)
xdotool mousemove $((left + width / 2)) $((top + height / 2)) click 3
menu_open() { [ "$(windows)" -gt "$before" ]; }
if ! wait_for menu_open; then
  echo "FAIL: no menu came up on a right click"
  exit 1
fi
# About Zentivor, then Exit.
xdotool key Down Down Return
ended() { ! kill -0 "$program" 2>/dev/null; }
if ! wait_for ended; then
  echo "FAIL: Exit of the icon's menu did not end the program"
  exit 1
fi
wait "$program"
status=$?
echo "the program ended with $status"
exit "$status"
EOF
chmod +x "$work/desktop.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" "$work/desktop.sh" "$work"
grep -q '^CurrVer=' "$work/program/Ovralun.ini" || { echo "FAIL: the settings were not written"; exit 1; }
echo "PASS"

#!/usr/bin/env bash
# The tracker's notification-area icon on a real desktop: under Xvfb with a notification area
# (trayer), the icon docks into it (seen in the window tree), and choosing Exit from the icon's
# menu (a right click on the icon, then a click on the menu's second entry) ends the program.
#
# Usage: tray-dock-test.sh STAGED_PROGRAM_FOLDER
set -euo pipefail

staged=${1:?staged program folder}
for tool in Xvfb trayer xwininfo xdotool xprop; do
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

# Each step waits for its event. A step that never comes ends the test saying which step it was,
# with the windows on the display and the output of the program, the notification area and the
# display server, so that a failure on a slow, busy machine can be read from the test log alone.
step=""
step_started=$SECONDS
begin() { step=$1; step_started=$SECONDS; }
step_done() { echo "$step: $((SECONDS - step_started)) s"; }
show_output() {
  local name
  for name in zentivor trayer; do
    echo "--- output of $name"
    cat "$work/$name.log" 2>/dev/null
  done
}
fail() {
  echo "FAIL: $1 (step \"$step\", $((SECONDS - step_started)) s)"
  echo "--- windows on display $DISPLAY"
  xwininfo -root -tree 2>&1
  show_output
  exit 1
}

# Waits until the command succeeds. The two minutes (of the clock, however slowly the machine
# runs the checks) only end a test whose event never comes.
wait_for() {
  local deadline=$((SECONDS + 120))
  while [ "$SECONDS" -lt "$deadline" ]; do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  "$@"
}

# A notification area that could not connect ends at once: wait for the display, and start the
# notification area again while the icon has not docked.
begin "display"
display_up() { xwininfo -root >/dev/null 2>&1; }
wait_for display_up || fail "the X display never answered"
step_done
start_tray() {
  trayer --edge top --align right --widthtype pixel --width 100 --height 32 >> "$work/trayer.log" 2>&1 &
  tray=$!
}
start_tray
"$work/program/zentivor" > "$work/zentivor.log" 2>&1 &
program=$!
# A process that ended may have handed its number to another one by now: only what still runs
# under its own name is stopped.
running() { [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ]; }
cleanup() {
  running "$program" zentivor && kill "$program"
  running "$tray" trayer && kill "$tray"
}
trap cleanup EXIT

# The icon's window inside the notification area, once it is on the screen and the notification
# area has given it its place: it is reparented and mapped at the area's corner first, and moved
# into the area a moment later. The tree gives its line as
# "0x2000005 "zentivor": ("zentivor" "zentivor")  22x30+0+0  +1257+1": size and place on the screen.
icon=""
width=0 height=0 left=0 top=0
geometry_of() {
  xwininfo -id "$1" 2>/dev/null |
    awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {h=$NF}
         /Map State:/ {m=$NF} END {print x, y, w, h, m}'
}
begin "dock"
docked() {
  running "$tray" trayer || start_tray
  icon=$(xwininfo -name panel -tree 2>/dev/null | grep '("zentivor" "zentivor")' | head -1)
  [ -n "$icon" ] || return 1
  local panel_left panel_top panel_width panel_height panel_state state
  read -r panel_left panel_top panel_width panel_height panel_state <<< "$(geometry_of "$(xwininfo -name panel 2>/dev/null | awk '/Window id:/ {print $4}')")"
  read -r left top width height state <<< "$(geometry_of "$(echo "$icon" | awk '{print $1}')")"
  [ "$state" = IsViewable ] && [ "$width" -gt 0 ] && [ "$height" -gt 0 ] &&
    [ "$left" -ge "$panel_left" ] && [ "$top" -ge "$panel_top" ] &&
    [ $((left + width)) -le $((panel_left + panel_width)) ] && [ $((top + height)) -le $((panel_top + panel_height)) ]
}
wait_for docked || fail "the icon did not dock into the notification area"
step_done
echo "docked: $icon"

# The icon's menu: a top-level window of the program, on the screen, that passes by the window
# manager (as menus and tool tips do) and is no tool tip. The program may map its other windows
# meanwhile (start-up goes on after the icon docked), so counting its windows would not tell.
menu=""
menu_open() {
  local window
  for window in $(xwininfo -root -children 2>/dev/null | awk '/\("zentivor" "zentivor"\)/ {print $1}'); do
    if xwininfo -id "$window" -all 2>/dev/null | grep -q 'Map State: IsViewable' &&
       xwininfo -id "$window" -all 2>/dev/null | grep -q 'Override Redirect State: yes' &&
       ! xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_NET_WM_WINDOW_TYPE_TOOLTIP'; then
      menu=$window
      return 0
    fi
  done
  return 1
}
begin "menu"
xdotool mousemove $((left + width / 2)) $((top + height / 2)) click 3
wait_for menu_open || fail "no menu came up on a right click"
step_done
eval "$(xdotool getwindowgeometry --shell "$menu")"
echo "menu: ${WIDTH}x${HEIGHT}+${X}+${Y}"

# The menu holds About Zentivor, then Exit: a click in the middle of its lower half chooses Exit.
# A click goes to the menu as soon as it is on the screen (keys would go wherever the keyboard
# is until the menu has taken it).
begin "exit"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT * 3 / 4)) click 1
ended() { ! kill -0 "$program" 2>/dev/null; }
wait_for ended || fail "Exit of the icon's menu did not end the program"
step_done
wait "$program"
status=$?
echo "the program ended with $status"
show_output
exit "$status"
EOF
chmod +x "$work/desktop.sh"
status=0
# On a display of its own, which no other test started beside it can take.
bash "$(dirname "$0")/../scripts/own-display.sh" -e "$work/xvfb.log" "$work/desktop.sh" "$work" || status=$?
if [ "$status" != 0 ]; then
  echo "--- output of the display server"
  cat "$work/xvfb.log"
  exit "$status"
fi
grep -q '^CurrVer=' "$work/program/Ovralun.ini" || { echo "FAIL: the settings were not written"; exit 1; }
echo "PASS"

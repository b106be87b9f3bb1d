#!/usr/bin/env bash
# The installation of a build into the user's program folder: a first install lays down the
# program, the empty database and the default layouts; a second install of a newer build
# replaces the program's files and leaves every table, setting, note and layout of the user
# as it was.
set -euo pipefail
install_program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

stage=$work/stage
target=$work/home/zentivor
mkdir -p "$stage/language" "$stage/databases" "$stage/backup" "$stage/attachments"
make_build() {
  printf '#!/bin/sh\necho %s\n' "$1" > "$stage/zentivor"
  chmod +x "$stage/zentivor"
  echo "messages $1" > "$stage/language/English.mes"
  echo "quick start $1" > "$stage/quickstart.dat"
  echo "layout $1" > "$stage/maingrd.dat"
  echo "empty tickets $1" > "$stage/databases/Tickets.dbf"
  echo "empty memos $1" > "$stage/databases/Tickets.dbt"
  echo "empty lists $1" > "$stage/databases/Lists.dbf"
  echo "empty list memos $1" > "$stage/databases/Lists.dbt"
  # What a run of the staged build itself may have left there.
  echo "developer settings" > "$stage/Ovralun.ini"
  echo "developer notes" > "$stage/note.dat"
  echo "copy" > "$stage/backup/Tickets.dbf"
}

make_build 1
bash "$install_program" "$stage" "$target" > /dev/null
[ "$("$target/zentivor")" = 1 ] || fail "first install did not lay down the program"
[ "$(cat "$target/maingrd.dat")" = "layout 1" ] || fail "no default layout"
[ "$(cat "$target/databases/Tickets.dbf")" = "empty tickets 1" ] || fail "no empty database"
[ -d "$target/backup" ] && [ -d "$target/attachments" ] || fail "no data folders"
for never in Ovralun.ini note.dat backup/Tickets.dbf; do
  [ ! -e "$target/$never" ] || fail "$never was shipped"
done

# The user works: tables, settings, notes, layouts. One table was removed by hand, and one
# is there under another letter case.
echo "my tickets" > "$target/databases/Tickets.dbf"
echo "my memos" > "$target/databases/Tickets.dbt"
rm "$target/databases/Lists.dbf" "$target/databases/Lists.dbt"
echo "my lists" > "$target/databases/lists.DBF"
echo "my settings" > "$target/Ovralun.ini"
echo "my notes" > "$target/note.dat"
echo "my layout" > "$target/maingrd.dat"

make_build 2
bash "$install_program" "$stage" "$target" > /dev/null
[ "$("$target/zentivor")" = 2 ] || fail "the program was not replaced"
[ "$(cat "$target/language/English.mes")" = "messages 2" ] || fail "the language file was not replaced"
[ "$(cat "$target/quickstart.dat")" = "quick start 2" ] || fail "the quick-start text was not replaced"
[ "$(cat "$target/databases/Tickets.dbf")" = "my tickets" ] || fail "a table was overwritten"
[ "$(cat "$target/databases/Tickets.dbt")" = "my memos" ] || fail "a memo file was overwritten"
[ "$(cat "$target/databases/lists.DBF")" = "my lists" ] || fail "a table in other letter case was overwritten"
[ ! -e "$target/databases/Lists.dbf" ] || fail "a second lists table was laid beside the user's"
[ "$(cat "$target/Ovralun.ini")" = "my settings" ] || fail "the settings were overwritten"
[ "$(cat "$target/note.dat")" = "my notes" ] || fail "the notes were overwritten"
[ "$(cat "$target/maingrd.dat")" = "my layout" ] || fail "a layout was overwritten"
[ -z "$(find "$target" -name '*.install-new')" ] || fail "a half-installed file was left"
echo "install: ok"

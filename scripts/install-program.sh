#!/usr/bin/env bash
# install-program.sh STAGED_FOLDER PROGRAM_FOLDER
#
# Installs the staged program folder of a build into the user's program folder. The program's
# own files (the executable, language files, read-me and quick-start text...) are replaced by
# the new build's; the user's data is never touched: the tables of the empty database and the
# default grid layout files are copied only where the program folder has none yet, and the
# settings files, the notes, the saved filters, backups and attachments are never copied.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "Usage: install-program.sh STAGED_FOLDER PROGRAM_FOLDER" >&2
  exit 2
fi
stage=$1
target=$2
if [ ! -x "$stage/zentivor" ]; then
  echo "install-program.sh: no program in $stage" >&2
  exit 1
fi

# What the program writes for the user: never shipped, even when a run of the staged build
# left such files in the staged folder.
is_written_by_the_program() {
  case "$1" in
    backup/*|attachments/*|Ovralun.ini|onlineftp.ini|note.dat|filters.dat|*.install-new) return 0 ;;
  esac
  return 1
}
# The user's data that the build ships a first version of: copied only where it is missing.
is_user_data() {
  case "$1" in
    *grd.dat) return 0 ;;
  esac
  return 1
}

mkdir -p "$target"
for folder in databases backup attachments; do
  mkdir -p "$target/$folder"
done

# Each table of the empty database with its memo file, only where the table is not there.
for table in "$stage"/databases/*.dbf; do
  [ -e "$table" ] || continue
  base=$(basename "$table" .dbf)
  # The program finds its tables without regard to letter case, and so does this test.
  if [ -z "$(find "$target/databases" -maxdepth 1 \( -iname "$base.dbf" -o -iname "$base.dbt" \) -print -quit)" ]; then
    for file in "$stage/databases/$base".*; do
      cp -p "$file" "$target/databases/"
    done
  fi
done

(cd "$stage" && find . -type f -print0) | while IFS= read -r -d '' file; do
  file=${file#./}
  destination="$target/$file"
  case "$file" in databases/*) continue ;; esac
  is_written_by_the_program "$file" && continue
  if is_user_data "$file" && [ -e "$destination" ]; then
    continue
  fi
  mkdir -p "$(dirname "$destination")"
  # Beside the old file first, then renamed over it: a running program keeps its own copy.
  cp -p "$stage/$file" "$destination.install-new"
  mv -f "$destination.install-new" "$destination"
done
echo "Zentivor is installed in $target"

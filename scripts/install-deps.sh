#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Zentivor needs.
# Quick when everything is already there: apt is only touched for missing packages.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core fonts-dejavu-extra
  python3 python3-dbfread python3-dbf libdbd-xbase-perl
  python3-xlrd
  libgcrypt20-dev zlib1g-dev libshp-dev
  imagemagick giflib-tools libgif-dev xclip
  libreoffice-calc-nogui libreoffice-writer-nogui
  locales
  llvm lld trayer xdotool x11-utils
  dbus python3-dbusmock desktop-file-utils libglib2.0-bin xdg-utils shared-mime-info gvfs gvfs-daemons
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# The runtime tests check number text under a locale whose decimal point is a comma.
ensure_test_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $SUDO sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
}

if [ ${#missing[@]} -eq 0 ]; then
  ensure_test_locale
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
ensure_test_locale

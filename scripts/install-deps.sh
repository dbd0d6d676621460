#!/usr/bin/env bash
# Installs the Debian packages the program builds and tests with.
# Does nothing when every package is already present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-translations-l10n libgl1-mesa-dev
  libsqlite3-dev sqlite3 libsodium-dev
  libxlsxwriter-dev libfreexl-dev mdbtools-dev libquazip1-qt6-dev libuchardet-dev
  fonts-noto-cjk xvfb xdg-utils
  python3 python3-openpyxl python3-docx python3-xlwt
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
else
  SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update
"${SUDO[@]}" apt-get install -y "${missing[@]}"

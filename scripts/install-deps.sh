#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Does nothing when everything is present; runs apt-get update only when
# something is missing. With --clang also clang and its sanitizer and
# libFuzzer runtimes (make fuzz; make sanitize uses clang when present);
# with --bench KReport 3 and Qt 5 for the benchmarks' peer program (make
# bench only).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config lld
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  libsqlite3-dev sqlite3
  libpq-dev postgresql
  libcups2-dev cups-daemon cups-client cups-bsd cups-filters
  libfreetype-dev libfontconfig-dev zlib1g-dev libpng-dev libjpeg-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-liberation2 fonts-arphic-uming fonts-wqy-zenhei fonts-dejavu-core
  poppler-utils xvfb xauth
  libxml2-utils
  liblua5.4-dev lua5.4 duktape-dev libmujs-dev
)
if [ "${1:-}" = "--clang" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "--bench" ]; then
  packages=(libkreport3-dev qtbase5-dev libkf5coreaddons-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"

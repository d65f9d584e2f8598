#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libcups2-dev libcupsimage2-dev cups cups-client cups-bsd cups-filters cups-ppdc
  ghostscript poppler-utils
  qtbase5-dev qttools5-dev qttools5-dev-tools libqt5svg5-dev
  libcurl4-openssl-dev libssl-dev openssl libcjson-dev libdbus-1-dev dbus dbus-x11 libglib2.0-bin
  googletest libgtest-dev libgmock-dev
  xvfb x11-apps x11-utils imagemagick qpdf python3 util-linux time
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

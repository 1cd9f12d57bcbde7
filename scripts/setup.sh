#!/usr/bin/env bash
# Installs what Vistrel needs to build, run and test on Debian 12 — only the
# packages that are missing, so a second run is quick and changes nothing.
#   scripts/setup.sh           build, run and test dependencies
#   scripts/setup.sh --fuzz    also the clang toolchain for the fuzz targets
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache git clang-format
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev qt6-translations-l10n
  libturbojpeg0-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation
  xvfb x11-utils xdotool imagemagick xdg-utils shared-mime-info desktop-file-utils
  libfile-mimeinfo-perl libglib2.0-bin
  ffmpeg hyperfine jq
  qt6-svg-dev poppler-utils chromium
  libqt6sql6-sqlite libssl-dev sqlite3
  libqt6sql6-psql postgresql postgresql-client python3-distributed
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
echo "setup: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

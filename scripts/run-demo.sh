#!/usr/bin/env bash
# Sets up, builds, generates a demo recording and opens it in the viewer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target vistrel vistrel-mkrec
mkdir -p demo
[ -f demo/demo.mjp ] || build/tools/vistrel-mkrec demo/demo.mjp --frames 600 --text-time-every 150
exec build/src/vistrel "$PWD/demo/demo.mjp"

#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tunzo on the simulated card with
# a demo store of its own (build/demo), so that your real settings are never
# touched. The demo store is made fresh on the first run and kept after that,
# so presets you store are there again at the next start.
#   ./run.sh                 the front panel
#   ./run.sh card ARGS...    the card tool, e.g. ./run.sh card scan
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"

export TUNZO_CARD=simulated
mkdir -p build/demo
export TUNZO_REGISTRY="$PWD/build/demo/registry.sqlite"

if [ "${1:-}" = card ]; then
  shift
  exec build/bin/tunzo-card "$@"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no desktop display here (DISPLAY and WAYLAND_DISPLAY are empty)." >&2
  echo "        Start it from a desktop session, or try the card tool: ./run.sh card scan" >&2
  exit 1
fi
exec build/bin/tunzo "$@"

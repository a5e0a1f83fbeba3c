#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tunzo on the simulated card.
# Until the front panel exists this runs the card tool: with arguments it
# passes them on (./run.sh --adapter 4 scan), without it shows a short demo.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"

export TUNZO_CARD=simulated
card=build/bin/tunzo-card
if [ $# -gt 0 ]; then
  exec "$card" "$@"
fi

echo "Simulated card: tuning 103.3 MHz"
"$card" tune 103.3
echo "status: $("$card" status)"
echo "Searching the band for stations (0.1 MHz steps, about a minute on this card):"
"$card" scan

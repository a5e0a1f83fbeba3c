#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tunzo on the simulated card with
# a demo store of its own (build/demo), so that your real settings are never
# touched. The demo store is made fresh on the first run and kept after that,
# so presets you store are there again at the next start.
#   ./run.sh                 the front panel
#   ./run.sh card ARGS...    the card tool, e.g. ./run.sh card scan
#   TUNZO_DEMO_ADAPTER=5 ./run.sh   the demo store set to that adapter first
#                            (5: the GemTek, on the simulated GemTek's serial line;
#                             7: the simulated FM stick at /dev/radio0;
#                             8: the simulated RTL-SDR dongle, SDR device 0)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"

export TUNZO_CARD=simulated
mkdir -p build/demo
export TUNZO_REGISTRY="$PWD/build/demo/registry.sqlite"

# The adapter is a setting of the store, as the settings tool would write it
# (a DWORD "Adapter" under the main key, and "Port number" 1: COM1).
if [ -n "${TUNZO_DEMO_ADAPTER:-}" ]; then
  case $TUNZO_DEMO_ADAPTER in
    [1-8]) ;;
    *) echo "run.sh: TUNZO_DEMO_ADAPTER takes 1 to 8, not '$TUNZO_DEMO_ADAPTER'" >&2; exit 2 ;;
  esac
  sqlite3 "$TUNZO_REGISTRY" >/dev/null <<SQL
PRAGMA journal_mode = WAL;
CREATE TABLE IF NOT EXISTS keys (id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE COLLATE NOCASE);
CREATE TABLE IF NOT EXISTS vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  name TEXT NOT NULL COLLATE NOCASE, kind INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY (key, name));
INSERT OR IGNORE INTO keys (path) VALUES ('SOFTWARE\Velmar\Tunzo');
INSERT OR REPLACE INTO vals SELECT id, 'Adapter', 4, X'0${TUNZO_DEMO_ADAPTER}000000' FROM keys WHERE path = 'SOFTWARE\Velmar\Tunzo';
INSERT OR REPLACE INTO vals SELECT id, 'Port number', 4, X'01000000' FROM keys WHERE path = 'SOFTWARE\Velmar\Tunzo';
SQL
fi

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

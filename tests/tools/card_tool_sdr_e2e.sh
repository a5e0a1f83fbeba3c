#!/usr/bin/env bash
# tunzo-card on the simulated RTL-SDR dongle, as a person uses it: the state
# file and the trace show what reached the dongle, the search finds the
# table's stations and their stereo, and an unplugged dongle is an error
# that names it, after which plugging it back works again.
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work TUNZO_REGISTRY=$work/registry.sqlite TUNZO_CARD=simulated
export TUNZO_SIM_STATIONS='88.4s=JAZZ/Blue in Green,94.2,103.3s=TEN FM'
export LC_ALL=C.UTF-8
unset TUNZO_PORT_TRACE TUNZO_SDR_IQ_FILE
state=$work/tunzo/simulated-sdr0
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$("$tool" --adapter 8 list)" = "0  Simulated RTL2832U  serial 00000001" ] || fail "list shows the simulated dongle"

TUNZO_PORT_TRACE=$work/t "$tool" --adapter 8 tune 94.2
printf 'sdr 0 frequency 94.200\n' | diff - "$work/t" >&2 || fail "the tune's trace differs"
grep -q '^frequency 94.200$' "$state" || fail "the state file does not hold 94.2"
[ "$("$tool" --adapter 8 status)" = "tuned" ] || fail "94.2 is a mono station, heard by the next process too"
"$tool" --adapter 8 tune 95.0
[ "$("$tool" --adapter 8 status)" = "not tuned" ] || fail "95.0 has no station"

# The sound's commands act on the tool's own reading of the dongle: they succeed and change no station.
for command in mute unmute up down; do
  TUNZO_PORT_TRACE=$work/sound "$tool" --adapter 8 $command || fail "$command on the dongle"
  [ ! -s "$work/sound" ] || fail "$command retuned the dongle: $(cat "$work/sound")"
done
"$tool" --adapter 8 tune 94.2
[ "$("$tool" --adapter 8 seek up)" = "103.3" ] || fail "seek up from 94.2 finds 103.3, past 94.2's own spill"
grep -q '^frequency 103.300$' "$state" || fail "the seek left the dongle on 103.3"
[ "$("$tool" --adapter 8 status)" = "tuned stereo" ] || fail "103.3 is in stereo"
[ "$("$tool" --adapter 8 seek down)" = "94.2" ] || fail "seek down from 103.3 finds 94.2"
set +e
"$tool" --adapter 8 tune 88.4
TUNZO_SIM_STATIONS=94.2 "$tool" --adapter 8 seek down > "$work/none"; [ $? = 1 ] || fail "a seek without stations must exit 1"
grep -q '^nothing found; the tuner stopped at 88.4 MHz$' "$work/none" || fail "nothing found: $(cat "$work/none")"
set -e
"$tool" --adapter 8 scan > "$work/scan" 2>/dev/null
printf '88.4 stereo\n94.2\n103.3 stereo\n' | diff - "$work/scan" >&2 || fail "scan: $(cat "$work/scan")"

sed -i 's/^present 1$/present 0/' "$state"
set +e
"$tool" --adapter 8 status 2>"$work/err"; [ $? = 1 ] || fail "an unplugged dongle must exit 1"
grep -q 'SDR device 0' "$work/err" || fail "the error does not name the dongle: $(cat "$work/err")"
"$tool" --adapter 8 --device 1 tune 94.2 2>"$work/err"; [ $? = 1 ] || fail "a second dongle is not there: exit 1"
grep -q 'SDR device 1 is not plugged in' "$work/err" || fail "device 1: $(cat "$work/err")"
"$tool" --adapter 8 --device first status 2>/dev/null; [ $? = 2 ] || fail "--device takes an index: exit 2"
"$tool" --adapter 8 --port 0x30c status 2>/dev/null; [ $? = 2 ] || fail "a dongle has no port: exit 2"
# Outside the simulation the real librtlsdr is asked, and this machine has no dongle.
env -u TUNZO_CARD "$tool" --adapter 8 status 2>"$work/err"; [ $? = 1 ] || fail "no dongle: exit 1"
grep -q 'SDR device 0 is not plugged in (0 RTL-SDR dongles are present)' "$work/err" || fail "no dongle: $(cat "$work/err")"
env -u TUNZO_CARD "$tool" --adapter 8 list 2>"$work/err"; [ $? = 1 ] || fail "no dongle to list: exit 1"
grep -q 'no RTL-SDR dongle found' "$work/err" || fail "no dongle to list: $(cat "$work/err")"
set -e
sed -i 's/^present 0$/present 1/' "$state"
# A fixed gain of 28.3 dB and a correction of -12 ppm, as tunecfg writes them (DWORDs).
sqlite3 "$TUNZO_REGISTRY" "INSERT OR REPLACE INTO vals (key, name, kind, data)
  SELECT id, 'SDR gain', 4, X'1B010000' FROM keys WHERE path = 'SOFTWARE\Velmar\Tunzo'
  UNION ALL SELECT id, 'SDR frequency correction', 4, X'F4FFFFFF' FROM keys WHERE path = 'SOFTWARE\Velmar\Tunzo'"
TUNZO_PORT_TRACE=$work/opened "$tool" --adapter 8 tune 94.2
printf 'sdr 0 gain 28.3\nsdr 0 ppm -12\nsdr 0 frequency 94.200\n' | diff - "$work/opened" >&2 \
  || fail "the dongle is not opened with the stored gain and correction"
"$tool" --adapter 8 tune 103.3
[ "$("$tool" --adapter 8 status)" = "tuned stereo" ] || fail "the dongle plugged back in works again"
echo "card tool on the simulated dongle: all checks passed"

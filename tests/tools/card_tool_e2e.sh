#!/usr/bin/env bash
# The installed way of using tunzo-card: environment selects the simulated
# card and the trace, and the trace holds the card's bytes exactly.
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work TUNZO_REGISTRY=$work/registry.sqlite TUNZO_CARD=simulated TUNZO_SIM_STATIONS=94.2,103.3s
# The GemTek's frequency text takes the locale's decimal separator.
export LC_ALL=C.UTF-8
unset TUNZO_PORT_TRACE TUNZO_SERIAL_COM1 TUNZO_SERIAL_COM2

fail() { echo "FAIL: $*" >&2; exit 1; }

TUNZO_PORT_TRACE=$work/t "$tool" --adapter 1 tune 100.0
[ "$(grep -c '^out 0x30c ' "$work/t")" = 98 ] || fail "expected 98 writes, got $(grep -c '^out' "$work/t")"
[ "$(wc -l < "$work/t")" = 99 ] || fail "expected 98 writes and one sleep"
[ "$(sed -n 97p "$work/t")" = "out 0x30c 0x00" ] || fail "write 97 is not the end of the word"
[ "$(sed -n 98p "$work/t")" = "sleep 5" ] || fail "no 5 ms wait before the last write"
[ "$(sed -n 99p "$work/t")" = "out 0x30c 0xc8" ] || fail "the tune does not end audible"
head -4 "$work/t" | tr '\n' ' ' | grep -q '^out 0x30c 0x01 out 0x30c 0x01 out 0x30c 0x03 out 0x30c 0x03 $' \
  || fail "the first bit of 100.0 MHz is not a clocked 0"

[ "$("$tool" status)" = "not tuned" ] || fail "100.0 has no station"
"$tool" tune 103.3
[ "$("$tool" status)" = "tuned" ] || fail "103.3 is a station"
grep -q '^frequency 103.300$' "$work/tunzo/simulated-card-0x30c" || fail "the card's state file does not hold 103.3"

# The GemTek on COM1: each write one trace line, and the simulated GemTek on
# the line's other end keeps the station and the sound, still on afterwards.
TUNZO_PORT_TRACE=$work/serial "$tool" --adapter 5 tune 103.3
printf 'serial COM1 1d 23 01 23\nserial COM1 1d 23 05 23\nserial COM1 31 30 33 2e 33\n' > "$work/serial-expected"
diff "$work/serial-expected" "$work/serial" >&2 || fail "the serial trace differs"
grep -q '^frequency 103.300$' "$work/tunzo/simulated-card-com1" || fail "the simulated GemTek does not hold 103.3"
grep -q '^audible 1$' "$work/tunzo/simulated-card-com1" || fail "the simulated GemTek's sound is not on"
"$tool" --adapter 5 mute
grep -q '^audible 0$' "$work/tunzo/simulated-card-com1" || fail "mute did not reach the simulated GemTek"

set +e
"$tool" --adapter 5 scan 2>/dev/null; [ $? = 2 ] || fail "a scan of the GemTek must exit 2"
"$tool" tune 300 2>/dev/null; [ $? = 2 ] || fail "a frequency outside the band must exit 2"
"$tool" --adapter 9 status 2>/dev/null; [ $? = 2 ] || fail "a bad adapter must exit 2"

# A port outside the catalogue is refused before any port is touched.
: > "$work/foreign"
TUNZO_PORT_TRACE=$work/foreign "$tool" --port 0x3f8 tune 100 2>"$work/err"; [ $? = 2 ] || fail "a foreign --port must exit 2"
grep -q "'0x3f8'" "$work/err" || fail "the refusal does not name the port"
[ ! -s "$work/foreign" ] || fail "a foreign --port reached the ports: $(head -3 "$work/foreign")"

# Help is answered without the store, even one that cannot be read.
mkdir "$work/not-a-store"
TUNZO_REGISTRY=$work/not-a-store "$tool" --help > "$work/help"; [ $? = 0 ] || fail "--help with an unreadable store must exit 0"
grep -q '^usage: tunzo-card' "$work/help" || fail "--help with an unreadable store prints no usage"
echo "card tool: all checks passed"

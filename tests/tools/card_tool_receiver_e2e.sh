#!/usr/bin/env bash
# tunzo-card on the simulated FM stick, as a person uses it: the state file
# and the trace show what reached the receiver; unplugging it is an error
# that names it, and plugging it back works again.
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work TUNZO_REGISTRY=$work/registry.sqlite TUNZO_CARD=simulated TUNZO_SIM_STATIONS=94.2,103.3s
export LC_ALL=C.UTF-8
unset TUNZO_PORT_TRACE
state=$work/tunzo/simulated-radio0
fail() { echo "FAIL: $*" >&2; exit 1; }

"$tool" --adapter 7 list > "$work/list"
grep -q '^/dev/radio0  Simulated FM stick  driver si470x  bus usb-' "$work/list" || fail "list: $(cat "$work/list")"
[ "$(wc -l < "$work/list")" = 2 ] || fail "list shows two sticks"

TUNZO_PORT_TRACE=$work/t "$tool" --adapter 7 tune 94.2
printf 'v4l2 radio0 frequency 94.200\nv4l2 radio0 mute 0\n' | diff - "$work/t" >&2 || fail "the tune's trace differs"
grep -q '^frequency 94.200$' "$state" || fail "the state file does not hold 94.2"
grep -q '^muted 0$' "$state" || fail "the tune left the stick muted"
[ "$("$tool" --adapter 7 status)" = "tuned" ] || fail "94.2 is a station"

[ "$("$tool" --adapter 7 seek up)" = "103.3" ] || fail "seek up from 94.2 finds 103.3"
[ "$("$tool" --adapter 7 status)" = "tuned stereo" ] || fail "103.3 is in stereo"
[ "$("$tool" --adapter 7 seek up)" = "94.2" ] || fail "seek up from 103.3 wraps round to 94.2"
set +e
TUNZO_SIM_STATIONS=150 "$tool" --adapter 7 seek down > "$work/none"; [ $? = 1 ] || fail "a seek without stations must exit 1"
grep -q '^nothing found; the tuner stopped at 94.2 MHz$' "$work/none" || fail "nothing found: $(cat "$work/none")"
set -e
"$tool" --adapter 7 scan > "$work/scan" 2>"$work/progress"
printf '94.2\n103.3 stereo\n' | diff - "$work/scan" >&2 || fail "scan: $(cat "$work/scan")"
grep -q '^frequency 94.200$' "$state" || fail "the scan did not tune back to 94.2"
printf 'scanned 87 to 108 MHz: 2 stations; back on 94.2 MHz\n' | diff - "$work/progress" >&2 ||
  fail "a pipe gets the summary alone: $(cat -A "$work/progress")"

"$tool" --adapter 7 --device /dev/radio1 tune 100.0
grep -q '^frequency 100.000$' "$work/tunzo/simulated-radio1" || fail "--device /dev/radio1 was not tuned"

sed -i 's/^present 1$/present 0/' "$state"
set +e
"$tool" --adapter 7 status 2>"$work/err"; [ $? = 1 ] || fail "an unplugged stick must exit 1"
grep -q '/dev/radio0' "$work/err" || fail "the error does not name the device: $(cat "$work/err")"
"$tool" --adapter 7 --device "$work" status 2>"$work/err"; [ $? = 1 ] || fail "a folder must exit 1"
grep -q 'is a folder' "$work/err" || fail "a folder: $(cat "$work/err")"
"$tool" --adapter 7 tune 300 2>/dev/null; [ $? = 2 ] || fail "a frequency outside the band must exit 2"
"$tool" --adapter 7 seek sideways 2>/dev/null; [ $? = 2 ] || fail "seek sideways must exit 2"
"$tool" --adapter 1 seek up 2>/dev/null; [ $? = 2 ] || fail "a port card cannot seek: exit 2"
set -e
sed -i 's/^present 0$/present 1/' "$state"
"$tool" --adapter 7 tune 94.2
grep -q '^frequency 94.200$' "$state" || fail "the stick plugged back in is not tuned"
echo "card tool on the simulated stick: all checks passed"

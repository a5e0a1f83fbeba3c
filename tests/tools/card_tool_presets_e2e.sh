#!/usr/bin/env bash
# Station lists through the card tool as a user runs it: a spreadsheet's file
# (BOM, CRLF, a quoted name) goes in and comes out as the tool writes it; a
# bad file is refused line by line with exit 1 and the store left as it was.
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work TUNZO_REGISTRY=$work/registry.sqlite TUNZO_CARD=simulated LC_ALL=C.UTF-8

fail() { echo "FAIL: $*" >&2; exit 1; }
dump() { sqlite3 "$TUNZO_REGISTRY" "SELECT k.path, v.name, hex(v.data) FROM keys k JOIN vals v ON v.key = k.id ORDER BY 1, 2"; }

printf '\xef\xbb\xbfNumber,Frequency,Name,In scan\r\n1,94.2,"Jazz, ""Blue"" FM",yes\r\n12,103.3,Ten FM,NO\r\n' > "$work/good.csv"
"$tool" presets import "$work/good.csv" > "$work/out" || fail "a good list must import"
grep -qx '1: empty -> 94.2 MHz "Jazz, "Blue" FM"' "$work/out" || fail "the change of slot 1 is not printed: $(cat "$work/out")"
grep -qx '2 presets changed' "$work/out" || fail "no count of the changes"
[ "$(sqlite3 "$TUNZO_REGISTRY" "SELECT v.data FROM keys k JOIN vals v ON v.key = k.id
      WHERE k.path = 'SOFTWARE\Velmar\Tunzo\Presets\12' AND v.name = 'Station name'")" = "Ten FM" ] \
  || fail "slot 12 is not stored"

"$tool" presets export "$work/out.csv" > /dev/null || fail "export must succeed"
printf 'number,frequency,name,in scan\n1,94.2,"Jazz, ""Blue"" FM",yes\n12,103.3,Ten FM,no\n' > "$work/expected.csv"
diff "$work/expected.csv" "$work/out.csv" >&2 || fail "the export differs"
"$tool" presets export - | diff "$work/expected.csv" - >&2 || fail "the export to standard output differs"
"$tool" presets import "$work/out.csv" | grep -q 'nothing to change' || fail "an export read back must change nothing"

before=$(dump)
printf 'number,frequency,name,in scan\n1,99.0,Fine,yes\n2,94.2\n3,120.0,Too high,yes\n' > "$work/bad.csv"
set +e
"$tool" presets import "$work/bad.csv" > "$work/out" 2> "$work/err"; code=$?
set -e
[ "$code" = 1 ] || fail "a bad list must exit 1, not $code"
grep -q 'bad.csv: line 3: has 2 fields' "$work/err" || fail "line 3 is not named: $(cat "$work/err")"
grep -q 'bad.csv: line 4: 120.0 MHz is outside the band' "$work/err" || fail "line 4 is not named: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "a refused list printed changes: $(cat "$work/out")"
[ "$(dump)" = "$before" ] || fail "a refused list changed the store"

set +e
"$tool" presets import "$work/missing.csv" 2> "$work/err"; code=$?
"$tool" presets import 2> /dev/null; usage=$?
set -e
[ "$code" = 1 ] && grep -q 'cannot read' "$work/err" || fail "a missing file must be reported with exit 1"
[ "$usage" = 2 ] || fail "presets import without a file must exit 2"
echo "card tool presets: all checks passed"

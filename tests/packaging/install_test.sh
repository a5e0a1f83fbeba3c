#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree a user gets:
# the four programs side by side in bin and nothing else there, the menu
# entries, the icon at each size, the metainfo and the manual pages, each
# accepted by its own validator, and the entries pointing at what is there.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >/dev/null

programs=(pipit tunecfg tunzo tunzo-card)
expected=(
  share/applications/pipit.desktop share/applications/tunecfg.desktop share/applications/tunzo.desktop
  share/icons/hicolor/32x32/apps/tunzo.png share/icons/hicolor/48x48/apps/tunzo.png
  share/icons/hicolor/64x64/apps/tunzo.png share/icons/hicolor/128x128/apps/tunzo.png
  share/icons/hicolor/scalable/apps/tunzo.svg
  share/metainfo/org.example.tunzo.metainfo.xml
)
for p in "${programs[@]}"; do
  expected+=("bin/$p" "share/man/man1/$p.1.gz")
done
if ! diff -u <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort); then
  fail "the installed tree is not the expected one (- expected, + installed)"
fi

# The programs run from where they were installed, not from the build tree.
for p in "${programs[@]}"; do
  [ -x "$prefix/bin/$p" ] || fail "bin/$p is not executable"
done
"$prefix/bin/tunzo-card" --help >/dev/null || fail "the installed tunzo-card --help failed"
version=$("$prefix/bin/tunecfg" --version) || fail "the installed tunecfg --version failed"

# Each size of the icon sits in the folder of its size.
png_size() {
  local bytes
  read -r -a bytes < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(((bytes[2] << 8) | bytes[3]))x$(((bytes[6] << 8) | bytes[7]))"
}
for size in 32 48 64 128; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/tunzo.png"
  [ -f "$icon" ] && [ "$(png_size "$icon")" = "${size}x${size}" ] ||
    fail "the ${size}x${size} icon is not ${size} by ${size} pixels"
done

# Menu entries: valid, starting an installed program, with an installed icon.
for entry in "$prefix"/share/applications/*.desktop; do
  report=$(desktop-file-validate "$entry" 2>&1) && [ -z "$report" ] ||
    fail "desktop-file-validate $(basename "$entry"): $report"
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$prefix/bin/$exec_program" ] || fail "$(basename "$entry") starts '$exec_program', which is not installed"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  compgen -G "$prefix/share/icons/hicolor/*/apps/$icon.*" >/dev/null ||
    fail "$(basename "$entry") shows the icon '$icon', which is not installed"
done

# The metainfo: valid, naming the installed entry and programs, and its newest
# release is the version the programs report.
metainfo="$prefix/share/metainfo/org.example.tunzo.metainfo.xml"
report=$(appstreamcli validate --no-net --strict "$metainfo" 2>&1) || fail "appstreamcli validate: $report"
grep -q '<id>org.example.tunzo</id>' "$metainfo" || fail "the metainfo's id is not its file name"
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
[ -f "$prefix/share/applications/$launchable" ] || fail "the metainfo launches '$launchable', which is not installed"
provided=$(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo" | sort | tr '\n' ' ')
[ "$provided" = "${programs[*]} " ] || fail "the metainfo provides '$provided', not the installed programs"
newest=$(sed -n 's|.*<release version="\([^"]*\)".*|\1|p' "$metainfo" | head -n 1)
[ "${version:-}" = "tunecfg $newest" ] || fail "the newest release in the metainfo is '$newest', the programs say '${version:-}'"

# A manual page for each program, read without a warning, and with a NAME
# line that the whatis index understands.
for p in "${programs[@]}"; do
  page="$prefix/share/man/man1/$p.1.gz"
  [ -f "$page" ] || continue
  report=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) && [ -z "$report" ] ||
    fail "man --warnings $p.1: $report"
  lexgrog "$page" | grep -q ": \"$p - " || fail "$p.1 has no NAME line for $p"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed tree checked"

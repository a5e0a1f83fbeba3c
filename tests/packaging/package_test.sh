#!/usr/bin/env bash
# Builds the Debian package with cpack and checks it: it holds exactly the
# installed tree, owned by root with the usual modes; it depends on the
# package of every library the programs link; and its post-install note says
# how to grant port access without granting it.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  exit 1
fi
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: cpack made no single .deb" >&2; exit 1; }
deb=${debs[0]}

# The contents list against an install of the same build under /usr.
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
if ! diff -u <(cd "$work/root" && find . -type f | sort) \
             <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort); then
  fail "the package's files are not the installed tree (- installed, + package)"
fi
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ && $2 != "root/root" { print "owned by " $2 ": " $6 }' | grep . &&
  fail "files in the package not owned by root"
dpkg-deb -c "$deb" | awk '$6 ~ /^\.\/usr\/bin\/./ && $1 != "-rwxr-xr-x" { print $1 " " $6 }' | grep . &&
  fail "programs in the package without mode 0755"
dpkg-deb -c "$deb" | awk '$6 ~ /^\.\/usr\/share\// && $1 !~ /^[dl]/ && $1 != "-rw-r--r--" { print $1 " " $6 }' | grep . &&
  fail "data files in the package without mode 0644"

# Every library a program links is a dependency of the package.
depends=$(dpkg-deb -f "$deb" Depends)
[ -n "$depends" ] || fail "the package has no dependencies"
# One package name a line, without versions; alternatives count too.
depended=$(tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }')
for program in "$work"/root/usr/bin/*; do
  for library in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path=$(ldd "$program" | awk -v lib="$library" '$1 == lib { print $3 }')
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null || true)
    owner=${owner%%:*}
    if [ -z "$owner" ]; then
      fail "$(basename "$program") links $library ($path), which no package owns"
    elif ! grep -qxF "$owner" <<<"$depended"; then
      fail "$(basename "$program") links $library of $owner, which the package does not depend on: $depends"
    fi
  done
done

# The post-install note tells how to grant port access, and grants nothing.
dpkg-deb -e "$deb" "$work/control"
postinst="$work/control/postinst"
if [ ! -x "$postinst" ]; then
  fail "the package has no executable postinst"
else
  mkdir "$work/fakebin"
  for tool in setcap capsh chmod chown; do
    printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$tool" "$work/called" >"$work/fakebin/$tool"
    chmod +x "$work/fakebin/$tool"
  done
  note=$(PATH="$work/fakebin:$PATH" sh "$postinst" configure) || fail "postinst configure failed"
  grep -q 'setcap cap_sys_rawio+ep /usr/bin/tunzo /usr/bin/pipit /usr/bin/tunzo-card' <<<"$note" ||
    fail "the post-install note does not say how to grant port access: $note"
  [ ! -e "$work/called" ] || fail "postinst changed rights itself: $(cat "$work/called")"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package $(basename "$deb") checked"

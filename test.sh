#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (GUI tests offscreen);
# then builds the logic again with clang's AddressSanitizer and
# UndefinedBehaviorSanitizer and runs its tests and the fuzz corpora there.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNZO_WERROR=ON -DBUILD_TESTING=ON >/dev/null
cmake --build build --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 300

# Without the windows: the sanitizers are here for the logic, and Qt's own
# libraries are not built with them. Any report ends the test that made it.
started=$SECONDS
export UBSAN_OPTIONS=print_stacktrace=1
cmake -S . -B build/sanitize -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTUNZO_SANITIZE=ON -DTUNZO_GUI=OFF -DTUNZO_WERROR=ON -DBUILD_TESTING=ON >/dev/null
cmake --build build/sanitize --parallel "$(nproc)"
echo "sanitizer build: $((SECONDS - started)) s"
ctest --test-dir build/sanitize --output-on-failure --parallel "$(nproc)" --timeout 300

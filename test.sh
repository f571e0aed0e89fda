#!/usr/bin/env bash
# Installs the dependencies, builds and runs the whole test suite.
#   ./test.sh             normal build in build/
#   ./test.sh --sanitize  AddressSanitizer + UBSan build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")"

sanitize=OFF
build_dir=build
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=ON; build_dir=build-sanitize ;;
    *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
  esac
done

scripts/install-deps
scripts/install-npm-peers

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEDOGRAF_SANITIZE="$sanitize" -DVEDOGRAF_BENCH="$([ "$sanitize" = ON ] && echo OFF || echo ON)" >/dev/null
cmake --build "$build_dir" -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build_dir" -j2 --output-on-failure --timeout 600

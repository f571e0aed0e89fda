#!/usr/bin/env bash
# The main job. The headless report command is not built yet; meanwhile this
# builds the project and runs the report-engine benchmark on synthetic data.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target driver_bench
build/bench/driver_bench "$@"

#!/usr/bin/env bash
# The main job: a report from the bundled sample fleet.
#
#   ./run.sh              the window when there is a display, else the headless report
#   ./run.sh --headless   always the headless report (vedograf-report)
#
# Installs the dependencies, builds, generates the sample log database and its
# control-area files once into the build tree (build/sample/), and produces a
# workbook with every report into build/reports/, printing its path.
# VEDOGRAF_BUILD_DIR chooses another build folder.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

headless=0
for arg in "$@"; do
  case "$arg" in
    --headless) headless=1 ;;
    *) echo "usage: $0 [--headless]" >&2; exit 2 ;;
  esac
done

build=${VEDOGRAF_BUILD_DIR:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

scripts/install-deps
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target vedograf-report vedograf-db-provider vedograf-mkdb
have_display=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "$headless" = 0 ]; then
  # The window is optional here: without it the headless report still runs.
  if cmake --build "$build" -j2 --target vedograf_app; then have_display=1; fi
fi

report="$build/src/vedograf-report"
sample="$build/sample"
mkdir -p "$sample" "$build/reports"

# The sample fleet: 8 vehicles over 3 days from 4 March 2024 (local time UTC+3),
# deterministic, so every run reports the same figures.
if [ ! -f "$sample/fleet.mdb" ] || [ ! -f "$sample/fleet.obj" ]; then
  "$build/tools/vedograf-mkdb" --fleet --areas "$sample/fleet" "$sample/fleet.mdb"
fi

# Settings for the sample: every report with its filters, the fleet's time
# zone, both fuel sensors read from the LLS fields, every object and area
# chosen. Made once; edit it to try other choices.
if [ ! -f "$sample/vedograf.ini" ]; then
  bare="$sample/.bare.ini"
  printf '[Settings]\n' >"$bare"
  listing=$("$report" --settings "$bare" --db "$sample/fleet.mdb" --areas "$sample/fleet.obj" --list)
  rm -f "$bare"
  {
    printf '[Settings]\n'
    printf 'BaseFileName=%s\nPointsFileName=%s\n' "$sample/fleet.mdb" "$sample/fleet.obj"
    printf 'SDate=04.03.2024\nSTime=04.03.2024\nFDate=07.03.2024\nFTime=07.03.2024\n'
    printf 'TimeType=0\nTimeZone=12\nNavFilterPoints=1\nFilterPoints=1\nFilterStops=1\n'
    printf 'UseLLS=1\nFuelSensor1=1\nFuelSensor2=1\nOpenBase=1\nOpenCPoints=1\nPageNum=0\n'
    printf 'ReportsFolder=%s\n' "$build/reports"
    printf '[SelectedObjects]\n'
    printf '%s\n' "$listing" | sed '/^--$/,$d' | awk '{ printf "O%d=%s\n", NR - 1, $1 }'
    printf '[SelectedPoints]\n'
    printf '%s\n' "$listing" | sed '1,/^--$/d' | awk '{ printf "P%d=%s\n", NR - 1, $0 }'
  } >"$sample/vedograf.ini.tmp"
  mv "$sample/vedograf.ini.tmp" "$sample/vedograf.ini"
fi

window="$build/src/vedograf"
if [ "$have_display" = 1 ] && [ -x "$window" ]; then
  # The window keeps its own settings beside it; the first time it gets the
  # sample's, and "-auto" opens the sample and makes the report at once.
  [ -f "$window.ini" ] || cp "$sample/vedograf.ini" "$window.ini"
  echo "Ведограф: the window opens the sample and makes the report (workbooks go to $build/reports)"
  exec "$window" -auto
fi

echo "Ведограф: report on the sample fleet $sample/fleet.mdb"
set +e
workbooks=$("$report" --settings "$sample/vedograf.ini" --out "$build/reports")
status=$?
set -e
if [ "$status" -ne 0 ] || [ -z "$workbooks" ]; then
  echo "vedograf-report failed (exit status $status)" >&2
  exit "$((status == 0 ? 3 : status))"
fi
printf '%s\n' "$workbooks" | while IFS= read -r book; do echo "Workbook: $book"; done

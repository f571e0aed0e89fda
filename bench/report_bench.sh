#!/usr/bin/env bash
# The whole report against the floor of reading the log, in the same run.
#
#   bench/report_bench.sh [ROWS [REPEAT]]   (default 5000000 1; e.g. 500000 for a quick look)
#
# With REPEAT each of the three runs REPEAT times and the fastest counts: on a
# shared machine that is the figure least disturbed by the neighbours.
#
# A month (30 days from 1 March 2024) of the sample fleet, 10 s interval while
# driving, input rows included, as many vehicles as it takes to reach ROWS
# rows, with its control areas. Generated once into build/bench-data/
# (VEDOGRAF_BENCH_DATA chooses another folder) and reused.
#
# Timed, one after the other:
#   raw scan    bench/raw_scan: libmdb's mdb_fetch_row over every row of RXLOG
#   mdb-export  mdb-export FILE RXLOG > /dev/null
#   report      vedograf-report, every object, every report, every area, the
#               whole month, the workbook saved into a temporary folder
# and prints the wall times, the ratios to the raw scan and the peak memory
# (/usr/bin/time: the largest process of each; for the report also the report
# and its database provider together, sampled every 50 ms).
#
# Builds its programs in VEDOGRAF_BUILD_DIR (default build-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

rows=${1:-5000000}
repeat=${2:-1}
case "$rows$repeat" in ''|*[!0-9]*) echo "usage: $0 [ROWS [REPEAT]]" >&2; exit 2 ;; esac
[ "$repeat" -ge 1 ] || repeat=1
[ "$rows" -ge 1000 ] || { echo "$0: at least 1000 rows" >&2; exit 2; }

build=${VEDOGRAF_BUILD_DIR:-build-bench}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
data=${VEDOGRAF_BENCH_DATA:-$root/build/bench-data}

[ -x /usr/bin/time ] || scripts/install-deps
command -v mdb-export >/dev/null || scripts/install-deps

if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEDOGRAF_BENCH=ON >/dev/null
fi
cmake --build "$build" -j2 --target vedograf-report vedograf-db-provider vedograf-mkdb raw_scan >/dev/null

report="$build/src/vedograf-report"
mkdb="$build/tools/vedograf-mkdb"
scan="$build/bench/raw_scan"

# About 640 rows per vehicle and day at a 10 s interval: enough vehicles that
# the month holds ROWS rows, the last ones cut off by --rows.
days=30
objects=$(( rows / (days * 600) + 1 ))
base="$data/month-$rows"
mkdir -p "$data"
if [ ! -f "$base.mdb" ] || [ ! -f "$base.obj" ]; then
  echo "generating $base.mdb ($objects vehicles, $days days, $rows rows)"
  "$mkdb" --fleet --objects "$objects" --days "$days" --start 2024-03-01 --interval 10 --rows "$rows" \
    --areas "$base.part" "$base.part.mdb"
  mv "$base.part.mrk" "$base.mrk"
  mv "$base.part.obj" "$base.obj"
  mv "$base.part.mdb" "$base.mdb"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vedograf-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Settings as run.sh makes them: every report (the defaults) with its filters,
# the fleet's time zone (UTC+3), both fuel sensors read from the LLS fields,
# every object and area chosen, the whole month. Kept beside the log, for
# profiling: vedograf-report --settings build/bench-data/month-ROWS.ini --out DIR
printf '[Settings]\n' >"$work/bare.ini"
listing=$("$report" --settings "$work/bare.ini" --db "$base.mdb" --areas "$base.obj" --list)
{
  printf '[Settings]\n'
  printf 'BaseFileName=%s\nPointsFileName=%s\n' "$base.mdb" "$base.obj"
  printf 'SDate=01.03.2024\nSTime=01.03.2024\nFDate=31.03.2024\nFTime=31.03.2024\n'
  printf 'TimeType=0\nTimeZone=12\nNavFilterPoints=1\nFilterPoints=1\nFilterStops=1\n'
  printf 'UseLLS=1\nFuelSensor1=1\nFuelSensor2=1\nPageNum=0\n'
  printf '[SelectedObjects]\n'
  printf '%s\n' "$listing" | sed '/^--$/,$d' | awk '{ printf "O%d=%s\n", NR - 1, $1 }'
  printf '[SelectedPoints]\n'
  printf '%s\n' "$listing" | sed '1,/^--$/d' | awk '{ printf "P%d=%s\n", NR - 1, $0 }'
} >"$base.ini"
nobj=$(printf '%s\n' "$listing" | sed '/^--$/,$d' | wc -l)
nareas=$(printf '%s\n' "$listing" | sed '1,/^--$/d' | wc -l)

now() { echo "$EPOCHREALTIME"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
peak_mb() { awk '/Maximum resident set size/ { printf "%.0f", $NF / 1024 }' "$1"; }

# Resident memory of a process and all its descendants, kB.
tree_rss() {
  local total=0 pid kids
  for pid in "$@"; do
    total=$(( total + $(awk '/^VmRSS:/ { print $2; f = 1 } END { if (!f) print 0 }' "/proc/$pid/status" 2>/dev/null || echo 0) ))
    kids=$(cat /proc/"$pid"/task/*/children 2>/dev/null || true)
    # shellcheck disable=SC2086
    [ -n "$kids" ] && total=$(( total + $(tree_rss $kids) ))
  done
  echo "$total"
}

echo "log $base.mdb: $(du -m "$base.mdb" | cut -f1) MB, $nobj objects, $nareas areas, best of $repeat"

best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

scan_s=
for _ in $(seq "$repeat"); do
  t0=$(now)
  /usr/bin/time -v -o "$work/scan.time" "$scan" "$base.mdb" >"$work/scan.out"
  t1=$(now)
  scan_s=$(best "$scan_s" "$(elapsed "$t0" "$t1")")
done
echo "  raw scan    $scan_s s   peak $(peak_mb "$work/scan.time") MB   ($(cat "$work/scan.out"))"

export_s=
for _ in $(seq "$repeat"); do
  t0=$(now)
  /usr/bin/time -v -o "$work/export.time" mdb-export "$base.mdb" RXLOG >/dev/null
  t1=$(now)
  export_s=$(best "$export_s" "$(elapsed "$t0" "$t1")")
done
echo "  mdb-export  $export_s s   peak $(peak_mb "$work/export.time") MB"

report_s=
peak_tree=0
for _ in $(seq "$repeat"); do
  rm -rf "$work/out"
  mkdir -p "$work/out"
  t0=$(now)
  /usr/bin/time -v -o "$work/report.time" "$report" --settings "$base.ini" --out "$work/out" \
    >"$work/report.out" 2>"$work/report.err" &
  timer=$!
  while kill -0 "$timer" 2>/dev/null; do
    kids=$(cat /proc/"$timer"/task/*/children 2>/dev/null || true)
    if [ -n "$kids" ]; then
      # shellcheck disable=SC2086
      r=$(tree_rss $kids)
      [ "$r" -gt "$peak_tree" ] && peak_tree=$r
    fi
    sleep 0.05
  done
  status=0
  wait "$timer" || status=$?
  t1=$(now)
  if [ "$status" -ne 0 ]; then
    echo "vedograf-report failed (exit status $status):" >&2
    cat "$work/report.err" >&2
    exit 1
  fi
  report_s=$(best "$report_s" "$(elapsed "$t0" "$t1")")
done
book=$(head -n 1 "$work/report.out")
book_mb=$(du -k "$book" | awk '{ printf "%.1f", $1 / 1024 }')
echo "  report      $report_s s   peak $(peak_mb "$work/report.time") MB (largest process)," \
  "$(( peak_tree / 1024 )) MB (report and provider, sampled)   workbook $book_mb MB"
[ -s "$work/report.err" ] && sed 's/^/              message: /' "$work/report.err" | head -n 5

echo "  report / raw scan    $(ratio "$report_s" "$scan_s") x   (target <= 5)"
echo "  report / mdb-export  $(ratio "$report_s" "$export_s") x   (target about 1/3)"
echo "  mdb-export / raw     $(ratio "$export_s" "$scan_s") x"

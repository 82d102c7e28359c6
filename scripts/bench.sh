#!/usr/bin/env bash
# Builds the benchmarks and prints a table of medians in milliseconds. The first run also builds
# the seeded SQLite files (up to 1,000,000 rows) into <build>/bench/cache, which takes minutes.
# Usage: scripts/bench.sh [build folder, default build/]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target velmora_bench -j2

export QT_QPA_PLATFORM=offscreen
bench="$build/bench/velmora_bench"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Everything but the first start-up, which only means something in a process of its own.
"$bench" --benchmark_filter='^(LabelDatabaseWork|SingleTestLabel|Sticker/|SampleStickerInto|FindUnsentSticker|StartUpToWindowShown)' \
  --benchmark_format=csv >"$out/all.csv" 2>"$out/stderr.txt"
for run in 1 2 3 4 5; do
  "$bench" --benchmark_filter='^FirstStartUpToWindowShown' --benchmark_format=csv 2>>"$out/stderr.txt" |
    grep '^"First' >>"$out/first.csv"
done

# CSV rows: "name",iterations,real_time,cpu_time,time_unit,...
{
  grep '_median"' "$out/all.csv" | sed 's/\/repeats:[0-9]*_median"/"/'
  # The median of the five fresh processes.
  sort -t, -k3 -g "$out/first.csv" | sed -n 3p | sed 's/\/iterations:1"/"/'
} | awk -F, '
  BEGIN { printf "| %-52s | %10s | %10s |\n|%s|%s|%s|\n", "benchmark (median)", "wall ms", "CPU ms",
          "------------------------------------------------------", "------------", "------------" }
  { gsub(/"/, "", $1); printf "| %-52s | %10.2f | %10.2f |\n", $1, $3, $4 }'

# Flat from 1,000 to 1,000,000 rows means a ratio of at most 1.5.
awk -F, '/LabelDatabaseWork\/1000\/repeats:5_median/ { small = $3 }
         /LabelDatabaseWork\/1000000\/repeats:5_median/ { large = $3 }
         END { if (small > 0) printf "\nDatabase work, 1,000,000 rows / 1,000 rows: %.2f\n", large / small }' "$out/all.csv"

bash "$root/scripts/bench-database.sh" "$build"

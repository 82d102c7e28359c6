#!/usr/bin/env bash
# The database figures of docs/benchmarks.md, each printed with the ratio it is judged by:
#   - numbering on a shared PostgreSQL server (the private one of scripts/start-test-postgres.sh):
#     16 desks for 16 customers against 16 desks for one, labels/s, p99, duplicates, and the
#     statements of one label as the server logs them;
#   - the embedded SQLite file: disk syncs and reads per label, counted by strace;
#   - one label's database work on 10,000,000 rows against 1,000 rows.
# The first run builds the 10,000,000-row seeded file into <build>/bench/cache (and says how long
# that took); later runs reuse it.
# Usage: scripts/bench-database.sh [build folder, default build/]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}

if [[ ! -f $build/build.ninja ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" --target velmora_bench -j2 >/dev/null

export QT_QPA_PLATFORM=offscreen
bench="$build/bench/velmora_bench"
out=$(mktemp -d)
state="$out/postgres"
trap 'bash "$root/scripts/stop-test-postgres.sh" "$state" >/dev/null 2>&1; rm -rf "$out"' EXIT

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "Load before: $(uptime)"

# A CSV column of a benchmark's row, by the column's name in the header.
column() { # file, row name pattern, column name
  awk -F, -v row="$2" -v name="$3" '
    NR == 1 || /^name,/ { for (i = 1; i <= NF; i++) if ($i == name || $i == "\"" name "\"") c = i; next }
    $1 ~ row { print $c; exit }' "$1"
}

# The calls of the given system calls in an strace -c summary.
calls() { # file, system call pattern
  awk -v pattern="$2" '$NF ~ pattern && $4 ~ /^[0-9]+$/ { n += $4 } END { print n + 0 }' "$1"
}

echo
echo "## Numbering on a shared server"
bash "$root/scripts/start-test-postgres.sh" "$state" 2>&1 | sed 's/^/  /'
export VELMORA_PG_STATE="$state/server.env"
if grep -q '^SKIP=' "$VELMORA_PG_STATE"; then
  echo "skipped: $(sed -n 's/^SKIP=//p' "$VELMORA_PG_STATE")"
else
  # shellcheck disable=SC1090
  source "$VELMORA_PG_STATE"
  "$bench" --benchmark_filter='^SharedServerLabels/desks:[0-9]+/customers:[0-9]+/seconds:5' \
    --benchmark_format=csv >"$out/shared.csv" 2>"$out/shared.err" || cat "$out/shared.err" >&2
  grep -v '^desk failed' "$out/shared.err" | grep -i 'error\|skip' >&2 || true
  grep '^desk failed' "$out/shared.err" | sort | uniq -c | head -5 >&2 || true
  printf '| %-14s | %9s | %8s | %7s | %12s | %11s | %10s |\n' desks/customers labels/s "p99 ms" labels \
    "CPU ms/label" "dup numbers" "dup codes"
  for run in 16/16 16/1 1/1; do
    row="desks:${run%/*}/customers:${run#*/}/seconds:5"
    printf '| %-14s | %9.0f | %8.1f | %7.0f | %12.2f | %11.0f | %10.0f |\n' "$run" \
      "$(column "$out/shared.csv" "$row" labels_per_s)" "$(column "$out/shared.csv" "$row" p99_ms)" \
      "$(column "$out/shared.csv" "$row" labels)" "$(column "$out/shared.csv" "$row" cpu_ms_per_label)" \
      "$(column "$out/shared.csv" "$row" duplicate_numbers)" "$(column "$out/shared.csv" "$row" duplicate_codes)"
  done
  awk -v a="$(column "$out/shared.csv" 'desks:16/customers:16/' labels_per_s)" \
    -v b="$(column "$out/shared.csv" 'desks:16/customers:1/' labels_per_s)" \
    'BEGIN { if (b > 0) printf "16 desks for 16 customers / 16 desks for one customer: %.2f (labels/s)\n", a / b }'

  # One desk's statements as the server logs them: only the desks' role logs, from its next login.
  /usr/lib/postgresql/15/bin/psql -X -q -h "$DATA" -p "$PORT" -U postgres -d velmora \
    -c "ALTER ROLE velmora SET log_statement = 'all'" >/dev/null
  log_start=$(wc -l <"$DATA/server.log")
  "$bench" --benchmark_filter='^SharedServerLabels/desks:1/customers:1/seconds:2' >/dev/null 2>&1
  tail -n +"$((log_start + 1))" "$DATA/server.log" | awk '
    / LOG:  (statement|execute [^:]*): / {
      text = $0; sub(/.* LOG:  (statement|execute [^:]*): /, "", text)
      if (text ~ /^BEGIN/) started = 1
      if (!started) next
      statements++
      if (text ~ /^(SAVEPOINT|RELEASE|DEALLOCATE)/) wrappers++
      if (text ~ /pg_advisory_xact_lock/) { locked = 1; inLock = 0 }
      if (locked) inLock++
      if (text ~ /^COMMIT/) { labels++; held += inLock; locked = 0 }
    }
    END {
      if (labels == 0) { print "no label in the statement log"; exit }
      printf "Statements per label: %.1f, of them %.1f while the numbering lock is held (lock and COMMIT included), %.1f driver SAVEPOINT/RELEASE/DEALLOCATE (%d labels)\n",
        statements / labels, held / labels, wrappers / labels, labels
    }'
  bash "$root/scripts/stop-test-postgres.sh" "$state" >/dev/null 2>&1 || true
fi

echo
echo "## Disk syncs per label (embedded SQLite file)"
# 300 labels on the 1,000-row file; the counts include opening and closing the file.
strace -f -c -e trace=fsync,fdatasync -o "$out/syncs.txt" \
  "$bench" --benchmark_filter='^LabelDatabaseCounted/1000/' >/dev/null 2>&1
syncs=$(calls "$out/syncs.txt" '^(fsync|fdatasync)$')
awk -v s="$syncs" 'BEGIN { printf "fsync + fdatasync: %d for 300 labels, %.2f per label\n", s, s / 300 }'

echo
echo "## 10,000,000 rows"
seeded_before=$([[ -f $build/bench/cache/samples-10000000.sqlite ]] && echo yes || echo no)
started=$(date +%s)
# Timed first: the seeded file is built here on the first run, not under strace.
"$bench" --benchmark_filter='^DatabaseWorkBySize/' --benchmark_format=csv >"$out/size.csv" 2>>"$out/size.err"
[[ $seeded_before == no ]] &&
  echo "The 10,000,000-row seeded file was built in this run (with the timed labels): $(($(date +%s) - started)) s"
small=$(column "$out/size.csv" 'DatabaseWorkBySize/1000/.*_median' real_time)
large=$(column "$out/size.csv" 'DatabaseWorkBySize/10000000/.*_median' real_time)
small_cpu=$(column "$out/size.csv" 'DatabaseWorkBySize/1000/.*_median' cpu_time)
large_cpu=$(column "$out/size.csv" 'DatabaseWorkBySize/10000000/.*_median' cpu_time)
awk -v s="$small" -v l="$large" -v sc="$small_cpu" -v lc="$large_cpu" 'BEGIN {
  printf "One label, median wall ms: %.3f at 1,000 rows, %.3f at 10,000,000 rows\n", s, l
  printf "One label, median process CPU ms: %.3f at 1,000 rows, %.3f at 10,000,000 rows\n", sc, lc
  if (s > 0) printf "10,000,000 rows / 1,000 rows (wall): %.2f\n", l / s }'
for rows in 1000 10000000; do
  strace -f -c -e trace=pread64 -o "$out/reads-$rows.txt" \
    "$bench" --benchmark_filter="^LabelDatabaseCounted/$rows/" >/dev/null 2>&1
  awk -v s="$(calls "$out/reads-$rows.txt" '^pread64$')" -v r="$rows" \
    'BEGIN { printf "pread per label, %d rows: %.2f (opening the file included)\n", r, s / 300 }'
done
echo
echo "Load after: $(uptime)"

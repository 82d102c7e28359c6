#!/usr/bin/env bash
# Builds the benchmarks and prints every figure of docs/benchmarks.md from one run:
#   1. the machine and its load;
#   2. our sample sticker against gLabels 3 (glabels-3-batch) rendering an equivalent sticker,
#      both timed as whole processes in one interleaved run;
#   3. a table of medians in milliseconds from velmora_bench (CPU of the whole process: every
#      thread, user and kernel time; wall time includes waiting for the disk);
#   4. the database figures of scripts/bench-database.sh, where that script exists.
# The first run also builds the seeded SQLite files (up to 1,000,000 rows) into <build>/bench/cache,
# which takes minutes, and installs gLabels, poppler-utils and zbar-tools for the comparison.
# Usage: scripts/bench.sh [build folder, default build/]
# Environment: ROUNDS (default 5) rounds of the sticker comparison; SEED for the merge data;
#   PEER (default <project>/../shared/peer) the folder of the gLabels comparison;
#   STICKERS_ONLY=1 runs only the comparison with gLabels.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
rounds=${ROUNDS:-5}
seed=${SEED:-20261207}
peer=${PEER:-$root/../shared/peer}

# Only this script needs gLabels and the readers of its output; the test install stays without.
bash "$root/scripts/install-deps.sh" glabels poppler-utils zbar-tools time fontconfig
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target velmora_bench velmora_sticker_batch -j2

export QT_QPA_PLATFORM=offscreen
bench="$build/bench/velmora_bench"
batch="$build/bench/velmora_sticker_batch"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "Machine: $(nproc) CPUs ($(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1))," \
  "$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
  "$(. /etc/os-release && echo "$PRETTY_NAME"), kernel $(uname -r)"
echo "Load at the start: $(uptime | sed 's/.*load average: //') (1, 5, 15 min)"
echo

# ---------------------------------------------------------------- a sticker against gLabels
# Rounds of {ours N=100, ours N=1000, gLabels N=100, gLabels N=1000}, each a whole process under
# /usr/bin/time: user + sys CPU of the process and its children, and the wall time around it.
# Per sticker = (median t(1000) - median t(100)) / 900, which leaves out start-up.
echo
[ -f "$peer/sample-sticker.glabels" ] && [ -x "$peer/gen-merge-data.sh" ] ||
  { echo "bench: no gLabels comparison in $peer (sample-sticker.glabels, gen-merge-data.sh)" >&2; exit 1; }
export LC_ALL=C.UTF-8
for n in 100 1000; do
  "$peer/gen-merge-data.sh" "$n" "$seed" >"$out/merge-$n.csv"
done

failures=0
# timed TAG N ROUND COMMAND... -> appends "tag n round wall_ms cpu_ms" to runs.tsv
timed() {
  local tag=$1 n=$2 round=$3 t0 t1 rc=0
  shift 3
  t0=$EPOCHREALTIME
  env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/time -f '%U %S' -o "$out/time.txt" "$@" \
    >"$out/$tag-$n.log" 2>&1 || rc=$?
  t1=$EPOCHREALTIME
  if [ "$rc" -ne 0 ]; then
    echo "bench: $tag N=$n round $round failed (exit $rc):" >&2
    cat "$out/$tag-$n.log" >&2
    failures=$((failures + 1))
  fi
  awk -v tag="$tag" -v n="$n" -v r="$round" -v a="$t0" -v b="$t1" \
    '{ printf "%s\t%s\t%s\t%.1f\t%.1f\n", tag, n, r, (b - a) * 1000, ($1 + $2) * 1000 }' \
    "$out/time.txt" >>"$out/runs.tsv"
}

# Each run into a folder of its own, all removed only at the end, and before velmora_bench, whose
# sticker folders come and go: on ext4 without a journal, files deleted in the last minutes make
# each new file's search for a free inode longer, a kernel cost no desk printing stickers has.
ours() { # N ROUND
  local folder="$out/ours-$1-$2" count
  timed ours "$1" "$2" "$batch" "$out/merge-$1.csv" "$folder"
  count=$(find "$folder/printers" -name '*.png' 2>/dev/null | wc -l || true)
  if [ "$count" -ne "$1" ]; then
    echo "bench: ours N=$1 round $2 left $count stickers, not $1" >&2
    failures=$((failures + 1))
  fi
}

glabels() { # N ROUND
  rm -f "$out/glabels-$1.pdf"
  timed glabels "$1" "$2" glabels-3-batch -o "$out/glabels-$1.pdf" -i "$out/merge-$1.csv" \
    "$peer/sample-sticker.glabels"
  # glabels-3-batch exits 0 even when it cannot read its input: the page count tells.
  local pages
  pages=$(pdfinfo "$out/glabels-$1.pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }' || true)
  if [ "${pages:-0}" -ne "$1" ]; then
    echo "bench: glabels N=$1 round $2 gave ${pages:-no} pages, not $1" >&2
    failures=$((failures + 1))
  fi
}

# Untimed warm-up of both: fonts, page cache, gLabels' template database.
ours 100 0
glabels 100 0
: >"$out/runs.tsv"
for round in $(seq 1 "$rounds"); do
  ours 100 "$round"
  ours 1000 "$round"
  glabels 100 "$round"
  glabels 1000 "$round"
done

# Every sticker checked of the last round must show both of its record's codes, nothing else.
# record K -> "sample code" sorted, as zbarimg lists what it found
expected() { sed -n "$(($1 + 1))p" "$out/merge-1000.csv" | tr ',' '\n' | sort | tr '\n' ' '; }
decoded() { zbarimg --nodbus --raw -q "$1" 2>/dev/null | sort | tr '\n' ' ' || true; }
checked=0
stickers="$out/ours-1000-$rounds/printers/Smart Label Printer 450"
for k in 1 2 3 250 500 999 1000; do
  got=$(decoded "$stickers/$(printf '%06d' "$k").png")
  if [ "$got" != "$(expected "$k")" ]; then
    echo "bench: our sticker $k reads '$got', its record is '$(expected "$k")'" >&2
    failures=$((failures + 1))
  fi
  checked=$((checked + 1))
done
for k in 1 1000; do
  pdftoppm -r 300 -png -f "$k" -l "$k" -singlefile "$out/glabels-1000.pdf" "$out/page-$k" 2>/dev/null || true
  got=$(decoded "$out/page-$k.png")
  if [ "$got" != "$(expected "$k")" ]; then
    echo "bench: gLabels page $k reads '$got', its record is '$(expected "$k")'" >&2
    failures=$((failures + 1))
  fi
done

median() { # TAG N COLUMN (4 wall, 5 CPU)
  awk -F'\t' -v t="$1" -v n="$2" -v c="$3" '$1 == t && $2 == n { print $c }' "$out/runs.tsv" | sort -g |
    awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
echo "A sample sticker against gLabels 3 ($(dpkg-query -W -f='glabels ${Version}' glabels)), $rounds interleaved rounds:"
printf '| %-28s | %12s | %12s | %12s | %12s | %14s | %14s |\n' "process (median)" "wall N=100" "wall N=1000" \
  "CPU N=100" "CPU N=1000" "wall / sticker" "CPU / sticker"
printf '|%s|%s|%s|%s|%s|%s|%s|\n' "------------------------------" "-------------:" "-------------:" \
  "-------------:" "-------------:" "---------------:" "---------------:"
for tag in ours glabels; do
  name=$([ "$tag" = ours ] && echo "velmora_sticker_batch" || echo "glabels-3-batch")
  awk -v name="$name" -v w1="$(median $tag 100 4)" -v w2="$(median $tag 1000 4)" \
    -v c1="$(median $tag 100 5)" -v c2="$(median $tag 1000 5)" 'BEGIN {
      printf "| %-28s | %9.0f ms | %9.0f ms | %9.0f ms | %9.0f ms | %11.3f ms | %11.3f ms |\n",
        name, w1, w2, c1, c2, (w2 - w1) / 900, (c2 - c1) / 900 }'
done
awk -v o1="$(median ours 100 5)" -v o2="$(median ours 1000 5)" \
  -v g1="$(median glabels 100 5)" -v g2="$(median glabels 1000 5)" \
  -v ow1="$(median ours 100 4)" -v ow2="$(median ours 1000 4)" \
  -v gw1="$(median glabels 100 4)" -v gw2="$(median glabels 1000 4)" 'BEGIN {
    printf "\nCPU per sticker, gLabels / ours: %.2f (at least 4 wanted); wall per sticker: %.2f\n",
      (g2 - g1) / (o2 - o1), (gw2 - gw1) / (ow2 - ow1) }'
echo "Checked: $checked of our stickers and 2 gLabels pages decoded to their records with zbarimg;" \
  "every run's sticker and page count."
echo "Load after the comparison: $(uptime | sed 's/.*load average: //') (1, 5, 15 min)"

# ---------------------------------------------------------------- velmora_bench
if [ "${STICKERS_ONLY:-0}" != 1 ]; then
echo
# Everything but the first start-up, which only means something in a process of its own.
"$bench" --benchmark_filter='^(LabelDatabaseWork|SingleTestLabel|Sticker/|SampleStickerIntoFilledFolder|FindUnsentSticker|StartUpToWindowShown)' \
  --benchmark_format=csv >"$out/all.csv" 2>"$out/stderr.txt"
for run in 1 2 3 4 5; do
  "$bench" --benchmark_filter='^FirstStartUpToWindowShown' --benchmark_format=csv 2>>"$out/stderr.txt" |
    grep '^"First' >>"$out/first.csv"
done

# CSV rows: "name",iterations,real_time,cpu_time,time_unit,... The name carries the options
# (repeats:5, process_time, real_time, iterations:1), left out of the table.
plain() { sed -E 's#/(repeats:[0-9]+|process_time|real_time|iterations:[0-9]+)##g; s#_median"#"#'; }
{
  grep '_median"' "$out/all.csv" | plain
  # The median of the five fresh processes.
  sort -t, -k3 -g "$out/first.csv" | sed -n 3p | plain
} | awk -F, '
  BEGIN { printf "| %-52s | %10s | %10s |\n|%s|%s|%s|\n", "benchmark (median)", "wall ms", "CPU ms",
          "------------------------------------------------------", "-----------:", "-----------:" }
  { gsub(/"/, "", $1); printf "| %-52s | %10.2f | %10.2f |\n", $1, $3, $4 }'

# Flat from 1,000 to 1,000,000 rows means a ratio of at most 1.5.
awk -F, '/LabelDatabaseWork\/1000\/.*_median/ { small = $3 }
         /LabelDatabaseWork\/1000000\/.*_median/ { large = $3 }
         END { if (small > 0) printf "\nDatabase work, 1,000,000 rows / 1,000 rows: %.2f\n", large / small }' "$out/all.csv"
fi

# ---------------------------------------------------------------- the database
if [ "${STICKERS_ONLY:-0}" != 1 ] && [ -f "$root/scripts/bench-database.sh" ]; then
  echo
  bash "$root/scripts/bench-database.sh" "$build"
fi

if [ "$failures" -ne 0 ]; then
  echo "bench: $failures failed runs or checks; the figures above do not count" >&2
  exit 1
fi

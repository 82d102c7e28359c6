#!/usr/bin/env bash
# Builds the settings-reader fuzzer with clang and runs it. Argument: seconds to run (default 600).
# Installs clang and its fuzzer runtime first; safe to run again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}

bash "$root/scripts/install-deps.sh" clang libclang-rt-14-dev

build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_settings_reader -j2

# New inputs go to the build folder; the checked-in seeds stay as they are. A crash, leak or hang
# (an input over 5 s) is written to artifacts/ and ends the run with a failure. Lengths up to
# max_len are tried from the start, so lines past the reader's limit are reached too.
mkdir -p "$build/corpus" "$build/artifacts"
"$build/tests/fuzz/fuzz_settings_reader" "$build/corpus" "$root/tests/fuzz/corpus" \
  -max_total_time="$seconds" -max_len=40000 -len_control=0 -timeout=5 -print_final_stats=1 \
  -artifact_prefix="$build/artifacts/"

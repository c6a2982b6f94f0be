#!/bin/sh
# Configures a clang build in the given folder, builds the four fuzz targets
# and runs each for a bounded time (60 s unless a second argument says).
# New inputs go to <folder>/fuzz-corpus, findings to <folder>/fuzz-findings;
# the seed corpus in the source tree is only read.
set -eu

build=${1:?usage: run.sh BUILD_FOLDER [SECONDS]}
seconds=${2:-60}
src=$(cd "$(dirname "$0")/../.." && pwd)

cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTM_FUZZ=ON -DTM_BUILD_TESTS=OFF
cmake --build "$build" --target fuzz_decpw fuzz_scorefile fuzz_savedgame fuzz_soundfile

bin="$build/bin"
mkdir -p "$build/fuzz-findings"
status=0
for name in decpw scorefile savedgame soundfile; do
  mkdir -p "$build/fuzz-corpus/$name"
  echo "== fuzz_$name for ${seconds}s"
  "$bin/fuzz_$name" -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$name-" \
    "$build/fuzz-corpus/$name" "$src/tests/fuzz/corpus/$name" 2>"$build/fuzz-$name.log" || {
    status=1
    tail -n 60 "$build/fuzz-$name.log"
  }
  # The full log stays in the build folder; CI shows the final statistics.
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done' "$build/fuzz-$name.log" || true
done
exit $status

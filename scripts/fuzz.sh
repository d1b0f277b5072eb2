#!/usr/bin/env bash
# Fuzzes every reader of data files with libFuzzer (clang), one target after
# another:
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# SECONDS is the time per target (default 120); with no TARGET every target
# runs (archive streams config command_line images terrain tileinfo
# track_objects shapes). It builds build/ (the data set and each target's
# seeds) and build-fuzz/ (clang, -DKR_FUZZ=ON, AddressSanitizer and
# UndefinedBehaviorSanitizer), keeps each target's corpus in
# build-fuzz/corpus/TARGET, and leaves any input that crashes, leaks,
# allocates past the target's limit or hangs in build-fuzz/crashes/TARGET/.
# Exits 1 when any target found something. Run the targets one at a time on
# a shared machine: each uses one core.
set -euo pipefail
cd "$(dirname "$0")/.."

all=(archive streams config command_line images terrain tileinfo track_objects shapes)
seconds=${1:-120}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
case "$seconds" in
  ''|*[!0-9]*) echo "usage: $0 [SECONDS] [TARGET...]" >&2; exit 1 ;;
esac
for t in "${targets[@]}"; do
  [[ " ${all[*]} " == *" $t "* ]] || { echo "$0: no fuzz target '$t' (targets: ${all[*]})" >&2; exit 1; }
done

# The largest single allocation each reader may make (MiB), and the longest
# input worth trying. Images: a picture of 16384 x 4096 RGBA pixels, the
# image rule's largest, takes 256 MiB; the ground: the heights of the largest
# field (4097 x 4097 samples), 64 MiB. Everything else reads files of a few
# MiB at most.
limit() {
  case "$1" in
    images) echo 320 ;;
    terrain) echo 160 ;;
    *) echo 64 ;;
  esac
}
max_len() {
  case "$1" in
    command_line) echo 4096 ;;
    images|terrain|archive|streams) echo 65536 ;;
    *) echo 16384 ;;
  esac
}

command -v clang++ >/dev/null || { echo "$0: needs clang with libFuzzer (Debian: apt-get install clang)" >&2; exit 1; }
jobs=$(nproc)
names=()
for t in "${targets[@]}"; do names+=("fuzz_$t"); done
echo "== Building the seeds (build/)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target game_data "${names[@]}"
echo "== Building the fuzz targets (build-fuzz/, clang with libFuzzer)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DKR_FUZZ=ON -DKR_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$jobs" --target "${names[@]}"

failed=()
summary=()
for t in "${targets[@]}"; do
  seeds=build-fuzz/seeds/$t corpus=build-fuzz/corpus/$t crashes=build-fuzz/crashes/$t
  rm -rf "$seeds"
  mkdir -p "$corpus" "$crashes"
  build/tests/fuzz/fuzz_$t --export-seeds build/game "$seeds" >/dev/null
  echo "== fuzz_$t for ${seconds} s (allocations up to $(limit "$t") MiB)"
  log=build-fuzz/fuzz_$t.log
  status=0
  ASAN_OPTIONS=detect_leaks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" \
    build-fuzz/tests/fuzz/fuzz_$t "$corpus" "$seeds" tests/fuzz/corpus/$t \
    -max_total_time="$seconds" -malloc_limit_mb="$(limit "$t")" -rss_limit_mb=2048 \
    -max_len="$(max_len "$t")" -timeout=10 -detect_leaks=1 -print_final_stats=1 \
    -artifact_prefix="$crashes/" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  line="fuzz_$t: ${runs:-?} executions in ${seconds} s, corpus $(find "$corpus" -type f | wc -l) inputs"
  if [ "$status" -ne 0 ]; then
    line="$line: FOUND A FAULT (exit $status), see $log and $crashes/"
    failed+=("$t")
  fi
  echo "$line"
  summary+=("$line")
done
echo "== Summary"
printf '%s\n' "${summary[@]}"
[ ${#failed[@]} -eq 0 ] || { echo "Faults found by: ${failed[*]}" >&2; exit 1; }

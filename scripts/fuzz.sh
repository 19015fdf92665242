#!/bin/sh
# Runs the fuzz targets (libFuzzer, ASan + UBSan, coverage-instrumented library) and prints a
# table: seconds, executions, executions per second, coverage (edges and features) and corpus
# size per target, and what was found.
#
#   scripts/fuzz.sh                       every target for 10 minutes, one at a time
#   scripts/fuzz.sh -t 60 -j 2 scaling    one target for a minute; -j runs that many at once
#   scripts/fuzz.sh --ci                  every target for PF_FUZZ_SECONDS (20) on the pinned
#                                         corpus only: what CI runs
#
# New inputs go to out/fuzz/corpus/<target> (kept between runs, the committed seeds stay as
# they are), crashes to out/fuzz/artifacts/<target>/, logs to out/fuzz/logs/. A crash makes the
# script fail; reproduce it with out/build-fuzz/tests/fuzz/pf_fuzz_<target> <file>, and once
# fixed, commit the file to tests/fuzz/corpus/<target>/ as the regression test.
set -eu
cd "$(dirname "$0")/.."

seconds=600
parallel=1
ci=0
while [ $# -gt 0 ]; do
  case $1 in
    -t) seconds=$2; shift 2 ;;
    -j) parallel=$2; shift 2 ;;
    --ci) ci=1; seconds=${PF_FUZZ_SECONDS:-20}; shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
targets=${*:-$(ls tests/fuzz/corpus)}

if ! command -v clang++ > /dev/null; then
  echo "fuzz.sh: libFuzzer needs clang++" >&2
  exit 1
fi
build=out/build-fuzz
mkdir -p out/fuzz/logs
launcher=""
if command -v ccache > /dev/null; then
  launcher="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DPF_WERROR=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPF_SANITIZE="address;undefined" -DPF_BUILD_FUZZERS=ON \
  -DPF_BUILD_TOOLS=OFF $launcher > out/fuzz/logs/configure.log 2>&1 ||
  { cat out/fuzz/logs/configure.log; exit 1; }
# shellcheck disable=SC2086
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" \
  $(for t in $targets; do printf ' --target pf_fuzz_%s' "$t"; done)

run_one() {
  t=$1
  work=out/fuzz/corpus/$t
  mkdir -p "$work" "out/fuzz/artifacts/$t"
  # In CI the corpus is the committed one alone and the random seed fixed, so that every run
  # starts from the same place.
  seed=""
  if [ "$ci" = 1 ]; then work=$(mktemp -d); seed="-seed=1"; fi
  start=$(date +%s)
  status=0
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/tests/fuzz/pf_fuzz_$t" $seed -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="out/fuzz/artifacts/$t/" "$work" "tests/fuzz/corpus/$t" \
    > "out/fuzz/logs/$t.log" 2>&1 || status=$?
  echo "$status $(( $(date +%s) - start ))" > "out/fuzz/logs/$t.status"
  if [ "$ci" = 1 ]; then rm -rf "$work"; fi
}

running=0
for t in $targets; do
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then wait; running=0; fi
done
wait

failed=0
printf '%-12s %8s %12s %9s %8s %8s %8s  %s\n' target seconds executions exec/s edges features \
  corpus result
for t in $targets; do
  log=out/fuzz/logs/$t.log
  set -- $(cat "out/fuzz/logs/$t.status")
  status=$1 took=$2
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  # The last status line: "#N ... cov: E ft: F corp: C/..."
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  edges=$(echo "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
  features=$(echo "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
  corpus=$(echo "$last" | sed -n 's/.* corp: \([0-9]*\).*/\1/p')
  result=ok
  if [ "$status" != 0 ]; then
    result="FOUND (exit $status, see $log)"
    failed=1
  fi
  printf '%-12s %8s %12s %9s %8s %8s %8s  %s\n' "$t" "$took" "${runs:--}" "${speed:--}" \
    "${edges:--}" "${features:--}" "${corpus:--}" "$result"
done
exit $failed

#!/bin/sh
# Sets everything up and runs every test: once in an optimised build with warnings as errors,
# once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

run() {
  dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DPF_WERROR=ON "$@" > "$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; exit 1; }
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 600
}

mkdir -p out
run out/build-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run out/build-asan -DCMAKE_BUILD_TYPE=Debug -DPF_SANITIZE="address;undefined" \
    -DCMAKE_CXX_FLAGS=-O1 -DCMAKE_C_FLAGS=-O1
echo "all tests passed (release and address+undefined sanitizers)"

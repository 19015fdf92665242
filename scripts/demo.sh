#!/bin/sh
# Sets everything up, builds pelforge and runs its demo on a test video it generates itself:
# pictures to look at land in out/demo.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
mkdir -p out
cmake -S . -B out/build-release -G Ninja -DCMAKE_BUILD_TYPE=Release > out/demo.configure.log 2>&1 ||
  { cat out/demo.configure.log; exit 1; }
cmake --build out/build-release -j "$jobs" --target pelforge_cli
out/build-release/tools/pelforge demo --out out/demo

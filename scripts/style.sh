#!/bin/sh
# House style a machine can check: no tabs, no trailing blanks, a final newline, and
# clang-format agreement on the C and C++ sources.
set -eu
cd "$(dirname "$0")/.."
files=$(git ls-files -- '*.c' '*.h' '*.cpp' '*.hpp' '*.def' 'CMakeLists.txt' '*.cmake' '*.sh' '.ci/run')
status=0
for f in $files; do
  [ -f "$f" ] || continue
  if grep -n "$(printf '\t')" "$f" > /dev/null; then echo "$f: tab"; status=1; fi
  if grep -nE ' +$' "$f" > /dev/null; then echo "$f: trailing blank"; status=1; fi
  if [ -s "$f" ] && [ "$(tail -c 1 "$f" | od -An -c | tr -d ' ')" != '\n' ]; then
    echo "$f: no final newline"; status=1
  fi
done
if command -v clang-format > /dev/null; then
  code=$(git ls-files -- '*.c' '*.h' '*.cpp' '*.hpp')
  # shellcheck disable=SC2086
  clang-format --dry-run -Werror $code || status=1
fi
# clang-tidy over the library and the tool, with the compile commands of the release build less
# the GCC-only options clang's driver refuses.
if command -v clang-tidy > /dev/null && [ -f out/build-release/compile_commands.json ]; then
  db=$(mktemp -d)
  trap 'rm -rf "$db"' EXIT
  sed -e 's/ -fno-toplevel-reorder//g' -e 's/ -fvect-cost-model=[a-z]*//g' \
    out/build-release/compile_commands.json > "$db/compile_commands.json"
  for f in $(git ls-files -- 'source/*.cpp' 'tools/*.cpp'); do
    clang-tidy -p "$db" --quiet --extra-arg=-Wno-unknown-warning-option "$f" 2> /dev/null || { echo "$f: clang-tidy"; status=1; }
  done
fi
exit $status

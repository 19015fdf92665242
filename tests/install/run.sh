#!/bin/sh
# Installs the build tree into a scratch prefix and builds the tiny C host against it twice:
# once with pkg-config and once with find_package. Usage: run.sh BUILD_DIR WORK_DIR [GENERATOR]
set -eu
build=$1
work=$2
generator=${3:-Unix Makefiles}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" > "$work/install.log"
libdir=$(find "$prefix" -name pelforge.pc -exec dirname {} \; | head -n 1)
libdir=$(dirname "$libdir")

PKG_CONFIG_PATH=$libdir/pkgconfig
export PKG_CONFIG_PATH
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror -o "$work/host-pc" "$here/host.c" \
  $(pkg-config --cflags --libs pelforge)
LD_LIBRARY_PATH=$libdir "$work/host-pc" > "$work/pc.out"
grep -q "ImageResizer Version" "$work/pc.out"

cmake -S "$here" -B "$work/cmake-host" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" \
  > "$work/configure.log"
cmake --build "$work/cmake-host" > "$work/build.log"
LD_LIBRARY_PATH=$libdir "$work/cmake-host/host" > "$work/cmake.out"
grep -q "ImageResizer Version" "$work/cmake.out"
echo "installed tree works with pkg-config and find_package"

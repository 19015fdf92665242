#!/bin/sh
# Installs the Debian packages pelforge needs that are not there yet. With --bench also those of
# the benchmarks, with --ci also the second compiler, the style tools and the benchmarks' packages
# (CI builds the benchmarks). Quiet when
# everything is present.
set -eu
packages="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libpng-dev ffmpeg qemu-user
libclang-rt-14-dev libavcodec-dev libavformat-dev libavutil-dev
libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base
gstreamer1.0-plugins-good gstreamer1.0-tools"
case "${1:-}" in
  --bench) packages="$packages libbenchmark-dev libyuv-dev libswscale-dev libavfilter-dev" ;;
  --ci) packages="$packages clang clang-tidy clang-format libbenchmark-dev libyuv-dev libswscale-dev
libavfilter-dev" ;;
esac
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo_cmd apt-get update -qq || true
# shellcheck disable=SC2086
$sudo_cmd apt-get install -y -qq --no-install-recommends $missing

# SPDX-License-Identifier: BSD-2-Clause
# What the end-to-end scripts share, sourced first thing: the pelforge under test (the script's
# first argument), a scratch directory $tmp removed at exit, and small ffmpeg helpers.
# shellcheck shell=bash
set -euo pipefail

# shellcheck disable=SC2034 # used by the scripts that source this
pelforge=${1:?usage: $(basename "$0") PATH_TO_PELFORGE}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# True when every tool named is installed.
have() {
  local tool
  for tool; do command -v "$tool" >/dev/null 2>&1 || return 1; done
}
# Skips the test (exit status 77) unless every tool named is installed.
need() {
  have "$@" || {
    echo "SKIP: this end-to-end test needs $*"
    exit 77
  }
}
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
# ffprobe's reading of the first video stream's ENTRIES (comma-separated) in FILE, pictures
# counted: probe FILE ENTRIES.
probe() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries "stream=$2" -of csv=p=0 "$1"
}
# PSNR of two inputs (given as ffmpeg input options) after FILTER on each ("null" for none):
# psnr FILTER INPUT_OPTIONS... prints "Y U V AVERAGE", each "inf" when identical.
psnr() {
  local filter=$1
  shift
  ffmpeg -nostdin -hide_banner "$@" -lavfi "[0:v]${filter}[a];[1:v]${filter}[b];[a][b]psnr" \
    -f null - 2>&1 |
    sed -n 's/.*PSNR y:\([^ ]*\) u:\([^ ]*\) v:\([^ ]*\) average:\([^ ]*\) .*/\1 \2 \3 \4/p' |
    tail -n 1
}
# at_least VALUE BOUND: VALUE is "inf" or at least BOUND.
at_least() { awk -v v="$1" -v b="$2" 'BEGIN { exit !(v == "inf" || v + 0 >= b) }'; }
# expect_status STATUS COMMAND...: COMMAND ends with STATUS; its standard error is left in
# $tmp/err.log.
expect_status() {
  local want=$1 status=0
  shift
  "$@" 2>"$tmp/err.log" || status=$?
  [ "$status" -eq "$want" ] || fail "$* gave status $status, expected $want: $(cat "$tmp/err.log")"
}
# expect_error STATUS TEXT COMMAND...: as expect_status, and the message holds TEXT.
expect_error() {
  local text=$2
  expect_status "$1" "${@:3}"
  grep -q -- "$text" "$tmp/err.log" || fail "$*: no '$text' in: $(cat "$tmp/err.log")"
}

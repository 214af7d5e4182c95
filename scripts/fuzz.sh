#!/usr/bin/env bash
# Builds one libFuzzer target with clang and runs it for a while.
# Usage: scripts/fuzz.sh TARGET SECONDS [extra libFuzzer arguments]
#   TARGET is a folder name under Tests/Fuzz/corpus (s3_listing, terminal, ...).
# New inputs go to build/fuzz/corpus/TARGET (the saved corpus is only read); a crash, a leak or
# an input over the memory limit is written to build/fuzz/artifacts/TARGET/. Keep an input that
# found a fault by copying it into Tests/Fuzz/corpus/TARGET/ once the fault is fixed.
set -euo pipefail

if (($# < 2)); then
  echo "usage: $0 TARGET SECONDS [libFuzzer arguments]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
saved="Tests/Fuzz/corpus/$target"
if [ ! -d "$saved" ]; then
  echo "fuzz: no target $target (no folder $saved)" >&2
  exit 2
fi

export CCACHE_BASEDIR="$root"
# Several targets are often started at once: one build at a time in the shared build folder.
mkdir -p build
(
  flock 9
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$(nproc)" --target "fuzz_$target"
) 9>build/fuzz.lock

# Options given by the caller (a smaller quarantine when watching memory, say) come first.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
work="build/fuzz/corpus/$target"
artifacts="build/fuzz/artifacts/$target"
mkdir -p "$work" "$artifacts"
options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=60 -print_final_stats=1
         -artifact_prefix="$artifacts/")
# The escape-sequence dictionary serves every target that reads terminal output.
case $target in
  terminal* | parser) options+=(-dict=Tests/Fuzz/terminal.dict) ;;
  kitty_graphics) options+=(-dict=Tests/Fuzz/kitty.dict) ;;
esac
exec "build/fuzz/Tests/Fuzz/fuzz_$target" "${options[@]}" "$@" "$work" "$saved"

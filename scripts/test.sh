#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer configuration and runs every test.
# Usage: scripts/test.sh [extra ctest arguments]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh

# Every test binary runs under address and undefined-behaviour sanitizers, including the
# listing run that test discovery makes during the build.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/Tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# Compiler-cache hits across clones in different folders (CI builds a fresh clone each time).
export CCACHE_BASEDIR="$root"

jobs=$(nproc)
cmake --preset asan
cmake --build --preset asan -j "$jobs"

# No test may touch the user's own settings, data or Trash.
sandbox=$(mktemp -d -t bramblet-tests.XXXXXX)
xvfb_pid=
cleanup() {
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$sandbox"
}
trap cleanup EXIT
mkdir -p "$sandbox"/{home,config,data,cache,runtime}
chmod 700 "$sandbox/runtime"
export HOME="$sandbox/home"
export XDG_CONFIG_HOME="$sandbox/config"
export XDG_DATA_HOME="$sandbox/data"
export XDG_CACHE_HOME="$sandbox/cache"
export XDG_RUNTIME_DIR="$sandbox/runtime"
export QT_QPA_PLATFORM=offscreen

# The GL tests draw on a virtual X display with Mesa's software rasterizer; every other test stays
# on the offscreen platform. Without Xvfb the GL tests skip.
if command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$sandbox/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$sandbox/display" ] && break
    sleep 0.1
  done
  [ -s "$sandbox/display" ] && export BRAMBLET_TEST_GL_DISPLAY=":$(cat "$sandbox/display")"
fi

cd build/asan
# The keychain and S3 tests need their peers: a Secret Service and an S3-compatible server.
bash "$root/scripts/with-test-services.sh" ctest --output-on-failure -j "$jobs" "$@"

# Every input kept in the fuzz corpora runs once more through its fuzz target, so an input that
# once found a fault fails the build if the fault comes back. A separate clang build of the fuzz
# targets and the two libraries they read with.
cd "$root"
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
ctest --test-dir build/fuzz --output-on-failure -j "$jobs"

#!/usr/bin/env bash
# Installs everything Bramblet needs to build, run and test, and nothing that is already there.
# Safe to run again and again: it only calls apt-get or npm when something is missing.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config git
  # Qt 6 (base includes Qt Test; OpenGL widgets must be named)
  qt6-base-dev qt6-base-dev-tools qt6-websockets-dev libqt6opengl6-dev libqt6svg6
  # Qt's platform accessibility switch, which the terminal view's accessibility tests turn on
  qt6-base-private-dev
  # engine and core libraries
  libicu-dev zlib1g-dev libpng-dev libssl-dev libfmt-dev libarchive-dev
  # <sys/sdt.h>: the engine's profiling probes (ZENTROVA_PROFILE) for perf and bpftrace
  systemtap-sdt-dev
  # keychain: libsecret against a real Secret Service in tests
  libsecret-1-dev gnome-keyring dbus
  # test certificates for the peer servers of the tests
  openssl
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # fuzz targets: clang and its libFuzzer and sanitizer runtimes (the corpus replay runs in the tests)
  clang libclang-rt-14-dev
  # the desktop's trash tools, which read back what the Trash tests write
  trash-cli
  # Unicode's data files: the bidi conformance cases and the tables shaping and mirroring check against
  unicode-data
  # headless display and GL for widget and renderer tests
  xvfb xauth libgl1-mesa-dri libegl1 libgl-dev
  # checks the desktop entry that the install puts in place
  desktop-file-utils
  # tools the program calls (gio mounts network shares through the desktop's GVfs)
  plocate xdg-utils libglib2.0-bin
  # the graphics protocol document whose examples the kitty image tests replay
  kitty-doc
  # makes the sixel streams the image decoder tests read
  libsixel-bin
  # file type icons where the session has no icon theme of its own (Qt's fallback theme)
  adwaita-icon-theme
  # fonts: Latin, CJK, Arabic and emoji coverage for fallback
  fonts-dejavu-core fonts-noto-core fonts-noto-cjk fonts-noto-color-emoji
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Node runs only the peer servers of some tests. Debian's nodejs/npm conflict with a node that
# the machine image already carries, so they are installed only when there is no node at all.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi

if [ -f "$here/Tests/package.json" ]; then
  stamp="$here/Tests/node_modules/.package-lock.json"
  if [ ! -f "$stamp" ] || [ "$here/Tests/package-lock.json" -nt "$stamp" ]; then
    (cd "$here/Tests" && npm ci --no-audit --no-fund --loglevel=error)
  fi
fi

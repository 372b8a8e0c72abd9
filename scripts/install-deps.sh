#!/bin/sh
# Installs the Debian packages that building, running and testing amtone
# need, and only those that are missing.
set -eu

# Build: the compiler, CMake, PortAudio (with ALSA) and the SDL 1.2 API.
# Tests: GoogleTest, Google Benchmark, Python for the end-to-end tests, Xvfb
# and Xlib for the window tests, clang and its runtimes for the fuzz target.
packages="cmake g++ make pkg-config portaudio19-dev libasound2-dev libsdl1.2-compat-dev
libgtest-dev libbenchmark-dev python3 xvfb xfonts-base libx11-dev clang libclang-rt-14-dev"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq $missing

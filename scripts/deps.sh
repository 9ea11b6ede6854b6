#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when any is missing.
set -u
packages=(cmake ninja-build g++ pkg-config googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine64 xvfb xauth x11-utils imagemagick pulseaudio pulseaudio-utils
  libpulse-dev libcurl4-openssl-dev libcli11-dev libsystemd-dev dbus playerctl desktop-file-utils ffmpeg lame twolame sox mp3gain loudgain clang libclang-rt-14-dev python3 python3-mutagen
  openssl ca-certificates
  nsis lintian man-db dpkg-dev unzip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq || exit 1
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || exit 1

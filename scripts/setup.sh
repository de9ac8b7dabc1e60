#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# clang and its sanitizer and libFuzzer runtimes build the fuzz targets.
fuzz_packages=(clang libclang-rt-dev)
set -euo pipefail
packages=(g++ cmake make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev)
# The Windows DLL: MinGW-w64, Wine (wine32 is an i386 package), GoogleTest's sources.
packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386 googletest)
missing=()
for p in "${packages[@]}" "${fuzz_packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo_cmd dpkg --add-architecture i386
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

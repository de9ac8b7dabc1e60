#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# clang and its sanitizer and libFuzzer runtimes build the fuzz targets.
fuzz_packages=(clang libclang-rt-dev)
set -euo pipefail
packages=(g++ cmake make libgtest-dev libgmock-dev libbenchmark-dev)
missing=()
for p in "${packages[@]}" "${fuzz_packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

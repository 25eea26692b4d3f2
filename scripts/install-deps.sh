#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, only those missing.
set -euo pipefail
packages=(
    cmake ninja-build g++ ccache pkg-config
    libgtest-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools
    xvfb xauth
    clang libclang-rt-14-dev
    libssl-dev libzstd-dev liblz4-dev zlib1g-dev liblzma-dev
    pybind11-dev python3-numpy python3-pytest python3-dev
    man-db bash-completion desktop-file-utils shared-mime-info
    dpkg-dev file lintian time
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the Debian packages that are missing, only those.
#   scripts/install-deps.sh --run   what building and running kvox and kvocodec needs (./run.sh)
#   scripts/install-deps.sh         also everything the tests, the packages and the benchmarks need
set -euo pipefail
run=(
    cmake ninja-build g++ ccache pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    libssl-dev
)
tests=(
    libgtest-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils imagemagick
    clang libclang-rt-14-dev
    libzstd-dev liblz4-dev zlib1g-dev liblzma-dev
    pybind11-dev python3-numpy python3-pytest python3-dev python3-dask python3-distributed
    man-db bash-completion desktop-file-utils shared-mime-info libglib2.0-bin appstream
    dpkg-dev file lintian time
    g++-mingw-w64-x86-64-posix wine64 unzip nsis
)
case ${1-} in
    --run) packages=("${run[@]}") ;;
    "") packages=("${run[@]}" "${tests[@]}") ;;
    *)
        echo "usage: $0 [--run]" >&2
        exit 2
        ;;
esac
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

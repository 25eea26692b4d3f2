#!/usr/bin/env bash
# ./run.sh installs and builds only what the programs need, in a folder of its own;
# scripts/install-deps.sh without --run, as ./test.sh calls it, also installs every test tool.
# apt-get, dpkg-query, sudo and cmake are stand-ins that record what they are asked.
# shellcheck disable=SC2016 # the stand-ins are written with the expansions they make themselves
set -uo pipefail
repo=$(realpath "$1")
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
export KVO_STUB_LOG=$stubs/log
printf '#!/bin/sh\nexit 1\n' >"$stubs/dpkg-query"  # nothing is installed
printf '#!/bin/sh\necho "apt-get $*" >>"$KVO_STUB_LOG"\n' >"$stubs/apt-get"
printf '#!/bin/sh\nexec "$@"\n' >"$stubs/sudo"
# The build stops run.sh before it would start a program.
printf '#!/bin/sh\necho "cmake $*" >>"$KVO_STUB_LOG"\ncase "$*" in --build*) exit 3 ;; esac\n' \
    >"$stubs/cmake"
chmod +x "$stubs"/*
export PATH=$stubs:$PATH
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# A list, not a pipe, so that grep -q stopping early cannot fail the pipeline under pipefail.
installed() { sed -n 's/^apt-get install -y -qq //p' "$KVO_STUB_LOG" | tr ' ' '\n'; }
isInstalled() { grep -qx "$1" <<<"$(installed)"; }

needed=(cmake ninja-build g++ qt6-base-dev qt6-qpa-plugins libssl-dev)
testOnly=(lintian libgtest-dev libbenchmark-dev clang python3-pytest pybind11-dev xvfb appstream
    g++-mingw-w64-x86-64-posix wine64 unzip nsis)

(cd "$stubs" && TMPDIR=$stubs "$repo/run.sh" >/dev/null 2>&1)
[ $? -eq 3 ] || fail "run.sh did not stop at the stand-in build"
for p in "${needed[@]}"; do isInstalled "$p" || fail "run.sh does not install $p"; done
for p in "${testOnly[@]}"; do ! isInstalled "$p" || fail "run.sh installs $p"; done
grep -q '^cmake -S \. -B build-run -G Ninja -DKVO_BUILD_TESTS=OFF -DKVO_BUILD_PYTHON=OFF$' \
    "$KVO_STUB_LOG" || fail "run.sh configures otherwise: $(grep '^cmake -S' "$KVO_STUB_LOG")"
grep -qE '^cmake --build build-run -j [0-9]+ --target kvox kvocodec kvo-synth$' "$KVO_STUB_LOG" ||
    fail "run.sh builds otherwise: $(grep '^cmake --build' "$KVO_STUB_LOG")"

: >"$KVO_STUB_LOG"
"$repo/scripts/install-deps.sh" >/dev/null || fail "install-deps.sh failed"
for p in "${needed[@]}" "${testOnly[@]}"; do
    isInstalled "$p" || fail "install-deps.sh does not install $p"
done
grep -qx '\./scripts/install-deps\.sh' "$repo/test.sh" || fail "test.sh does not install everything"

[ "$failures" -eq 0 ] && echo "set-up scripts: all checks passed"
exit "$failures"

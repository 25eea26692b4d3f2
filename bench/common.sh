# Sourced by the file-level benchmarks: the pieces they all need.

# build_release_kvox BUILD_DIR: a Release build of kvox and the recording generator, without the
# window and the Python module.
build_release_kvox() {
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVO_BUILD_APP=OFF \
        -DKVO_BUILD_PYTHON=OFF >/dev/null
    cmake --build "$1" -j2 --target kvox kvo-synth >/dev/null
}

# tiptiming_recording BUILD_DIR PATH SIZE_MIB: makes PATH a tip-timing recording of SIZE_MIB MiB
# unless one at least that large is there. Returns 0 when it made a new one, 1 when it kept it.
tiptiming_recording() {
    local records=$(($3 * 1048576 / 6))
    if [ -f "$2" ] && [ "$(stat -c %s "$2")" -ge $((records * 6)) ]; then
        return 1
    fi
    # Called as a condition, set -e does not hold in here: a failed generator stops the run.
    "$1/tools/kvo-synth" tiptiming "$records" 1 "$2" || exit 1
}

#!/usr/bin/env bash
# Reading a compressed recording into numpy with the kvocodec module, not part of the tests:
#  1. numpy.fromfile of the .kvo (the yardstick);
#  2. kvocodec.open(.kvox).read() (target: at most twice the yardstick);
#  3. kvox restoring the .kvox, then numpy.fromfile (target: at least 3 times slower than 2);
#  4. a random 1,000-record slice of the .kvox (target: one block, restored only up to the slice);
#  5. the sum of one field: read() then numpy, against to_dask with threads and with a two-process
#     LocalCluster (when python3-distributed is there).
# Warm cache: each way runs once unmeasured, then the best of three runs counts.
# Usage: bench/python_read.sh [BUILD_DIR]   (default build; builds kvox, kvo-synth and the module)
# SIZE_MIB sets the recording size (default 512), WORK the scratch folder.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/common.sh
build=${1:-build}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DKVO_BUILD_APP=OFF >/dev/null
cmake --build "$build" -j2 --target kvox kvo-synth kvocodec_python >/dev/null
size_mib=${SIZE_MIB:-512}
work=${WORK:-${TMPDIR:-/tmp}/kvocodec-read-bench}
mkdir -p "$work"
source=$work/tiptiming.kvo
if tiptiming_recording "$build" "$source" "$size_mib"; then
    rm -f "$work/tiptiming.kvox"  # compressed from an earlier recording
fi
[ -f "$work/tiptiming.kvox" ] || "$build/src/cli/kvox" -q "$source" -o "$work/tiptiming.kvox"
PYTHONPATH=$build/python /usr/bin/python3 bench/python_read.py \
    "$source" "$work/tiptiming.kvox" "$build/src/cli/kvox" "$work/restored.kvo"

"""Times the ways of getting a compressed recording into numpy; see python_read.sh."""

import os
import random
import subprocess
import sys
import time

import numpy

import kvocodec


def best_of_three(run):
    run()  # warms the page cache and the allocator
    times = []
    for _ in range(3):
        started = time.perf_counter()
        run()
        times.append(time.perf_counter() - started)
    return min(times)


def main(source, compressed, kvox, restored):
    with kvocodec.open(source) as recording:
        passport_length = recording.passport_length
    dtype = kvocodec.RECORD_DTYPE

    def fromfile(path):
        return numpy.fromfile(path, dtype=dtype, offset=passport_length)

    def direct():
        with kvocodec.open(compressed) as recording:
            return recording.read()

    def restore_then_fromfile():
        subprocess.run([kvox, "-q", "-f", compressed, "-o", restored], check=True)
        return fromfile(restored)

    assert direct().tobytes() == fromfile(source).tobytes()
    yardstick = best_of_three(lambda: fromfile(source))
    reading = best_of_three(direct)
    restoring = best_of_three(restore_then_fromfile)
    os.remove(restored)

    with kvocodec.open(compressed) as recording:
        blocks = recording.blocks
        offset, first, count = random.Random(1).choice(blocks)
        start = first + random.Random(2).randrange(count - 1000)
        started = time.perf_counter()
        recording.read(start, start + 1000)
        slice_time = time.perf_counter() - started
        decoded = recording.blocks_decoded

    mib = os.path.getsize(source) / 1048576
    print(f"Recording {source}: {mib:.0f} MiB, compressed {os.path.getsize(compressed) / 1048576:.0f} MiB "
          f"in {len(blocks)} blocks, {os.cpu_count()} cores")
    print()
    print("| way | seconds | MiB/s | against numpy.fromfile of the .kvo |")
    print("|---|---|---|---|")
    for name, seconds in (("numpy.fromfile(.kvo)", yardstick),
                          ("kvocodec.open(.kvox).read()", reading),
                          ("kvox restore + numpy.fromfile", restoring)):
        print(f"| {name} | {seconds:.3f} | {mib / seconds:.0f} | {seconds / yardstick:.2f}x |")
    print()
    print(f"Direct read: {reading / yardstick:.2f}x numpy.fromfile (target at most 2x); "
          f"restoring first is {restoring / reading:.1f}x slower (target at least 3x).")
    print(f"Random 1,000-record slice at record {start}: {slice_time * 1000:.1f} ms, "
          f"{decoded} block(s) decoded of {len(blocks)} (target 1).")


if __name__ == "__main__":
    main(*sys.argv[1:5])

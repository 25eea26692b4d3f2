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

    # Random 1,000-record slices, each in a freshly opened file: the mean time and place in the block.
    with kvocodec.open(compressed) as recording:
        blocks = recording.blocks
    generator = random.Random(1)
    slices = []
    for _ in range(10):
        offset, first, count = generator.choice(blocks)
        start = first + generator.randrange(count - 1000)
        with kvocodec.open(compressed) as recording:
            started = time.perf_counter()
            recording.read(start, start + 1000)
            slices.append((time.perf_counter() - started, (start - first) / count,
                           recording.blocks_decoded, recording.records_decoded))
    slice_time, position, decoded, restored = (sum(column) / len(slices) for column in zip(*slices))

    def dask_sum(field="first_word", **compute):
        return kvocodec.to_dask(compressed)[field].astype("u8").sum().compute(**compute)

    def numpy_sum():
        with kvocodec.open(compressed) as recording:
            return recording.read()["first_word"].astype("u8").sum()

    expected_sum = numpy_sum()
    sums = [("kvocodec.open(.kvox).read(), then numpy", best_of_three(numpy_sum))]
    try:
        from dask.distributed import Client, LocalCluster
    except ImportError:
        Client = None
    assert dask_sum(scheduler="threads") == expected_sum
    sums.append(("to_dask(.kvox), threaded scheduler", best_of_three(lambda: dask_sum(scheduler="threads"))))
    if Client is not None:
        with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(cluster):
            assert dask_sum() == expected_sum
            # The cluster keeps the results of keys it still knows, so every run sums another field.
            times = []
            for field in ("lead_byte", "second_byte", "second_word"):
                started = time.perf_counter()
                dask_sum(field)
                times.append(time.perf_counter() - started)
            sums.append(("to_dask(.kvox), LocalCluster of 2 processes (another field each run)", min(times)))

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
    print(f"Random 1,000-record slice, mean of {len(slices)}: {slice_time * 1000:.1f} ms at {position:.0%} "
          f"into its block, {decoded:.1f} block(s) decoded of {len(blocks)} (target 1), "
          f"{restored:.0f} records restored.")
    print()
    print("| sum of first_word over every record | seconds |")
    print("|---|---|")
    for name, seconds in sums:
        print(f"| {name} | {seconds:.3f} |")


if __name__ == "__main__":
    main(*sys.argv[1:5])

"""Reading recordings and compressed files into numpy."""

import random
import subprocess
import sys
import threading

import numpy
import pytest

import kvocodec
from conftest import KINDS, data_area, synth


@pytest.mark.parametrize("kind", KINDS)
def test_every_kind_and_plan_reads_like_the_restored_file(tmp_path, kind):
    source = synth(tmp_path / "a.kvo", kind, 30_001, seed=7)
    expected = data_area(source)
    with kvocodec.open(str(source)) as recording:
        assert recording.kind == "kvo"
        assert recording.read().tobytes() == expected.tobytes()
    for block_size in (None, 6 * 1000, 6 * 7001, 72):
        if block_size == 72 and kind != "zeros":
            continue  # 2,500 blocks: one kind is enough
        compressed = tmp_path / f"a-{block_size}.kvox"
        kvocodec.compress(str(source), str(compressed), block_size)
        restored = tmp_path / f"a-{block_size}.kvo"
        kvocodec.restore(str(compressed), str(restored))
        with kvocodec.open(str(compressed)) as recording:
            records = recording.read()
            assert records.dtype == kvocodec.RECORD_DTYPE
            assert records.tobytes() == data_area(restored).tobytes()
            assert records.tobytes() == expected.tobytes()
            assert recording.record_count == len(expected)


def test_random_slices_across_block_edges(tip_timing):
    source, compressed = tip_timing
    expected = data_area(source)
    generator = random.Random(5)
    with kvocodec.open(str(compressed), threads=2) as recording:
        blocks = recording.blocks
        assert [first for _, first, _ in blocks] == list(range(0, 50_000, 1000))
        assert all(count == 1000 for _, _, count in blocks)
        assert blocks[0][0] == recording.passport_length
        for _ in range(300):
            start = generator.randrange(len(expected))
            stop = generator.randrange(start, len(expected) + 1)
            assert recording.read(start, stop).tobytes() == expected[start:stop].tobytes()
        for edge in range(1000, 50_000, 1000):
            assert recording[edge - 2 : edge + 3].tobytes() == expected[edge - 2 : edge + 3].tobytes()
        assert recording[-5:].tobytes() == expected[-5:].tobytes()
        assert recording.read(10, 5).size == 0
        assert recording.read(49_990, 10**9).size == 10
        joined = numpy.concatenate(list(recording.iter_blocks()))
        assert joined.tobytes() == expected.tobytes()


def test_a_small_slice_decodes_one_block(tip_timing):
    _, compressed = tip_timing
    with kvocodec.open(str(compressed)) as recording:
        recording.read(23_100, 24_100)  # crosses no edge but 24,000
        assert recording.blocks_decoded == 2
        recording.read(24_200, 24_300)  # inside the block kept from the last read
        assert recording.blocks_decoded == 2
        recording.read(41_000, 42_000)
        assert recording.blocks_decoded == 3


def test_read_reports_progress_and_threads_agree(tip_timing):
    _, compressed = tip_timing
    seen = []
    with kvocodec.open(str(compressed), threads=1) as one, kvocodec.open(str(compressed)) as every:
        records = every.read(500, 10_500, progress=lambda done, total: seen.append((done, total)))
        assert records.tobytes() == one.read(500, 10_500).tobytes()
    assert seen[-1] == (10_000, 10_000)
    assert [done for done, _ in seen] == sorted(done for done, _ in seen)


def test_a_failing_progress_callback_ends_the_read(tip_timing):
    _, compressed = tip_timing

    def stop(done, total):
        raise KeyboardInterrupt

    with kvocodec.open(str(compressed)) as recording:
        with pytest.raises(KeyboardInterrupt):
            recording.read(progress=stop)
        assert recording.read(0, 3).size == 3


def test_threads_share_one_recording(tip_timing):
    source, compressed = tip_timing
    expected = data_area(source)
    failures = []

    def reader(seed):
        generator = random.Random(seed)
        for _ in range(40):
            start = generator.randrange(len(expected) - 3000)
            if recording.read(start, start + 3000).tobytes() != expected[start : start + 3000].tobytes():
                failures.append(start)

    recording = kvocodec.open(str(compressed))
    threads = [threading.Thread(target=reader, args=(seed,)) for seed in range(3)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []
    recording.close()
    with pytest.raises(ValueError, match="закрыт"):
        recording.read(0, 1)


REENTRANT = """
import sys, kvocodec
refused = []

def touch(recording, use):
    def progress(done, total):
        try:
            use(recording)
        except kvocodec.Error as error:
            refused.append(str(error))
    return progress

uses = [
    lambda r: r.read(0, 1),
    lambda r: r[0:1],
    lambda r: r.blocks,
    lambda r: r.record_count,
    lambda r: next(r.iter_blocks()),
    lambda r: r.close(),
]
with kvocodec.open(sys.argv[1]) as recording:
    for use in uses:
        before = len(refused)
        assert recording.read(0, 3000, progress=touch(recording, use)).size == 3000
        assert len(refused) == before + 3, refused
    try:
        recording.read(0, 10, progress=lambda done, total: recording.read(0, 1))
    except kvocodec.Error as error:
        assert "читается" in str(error), error
    else:
        raise AssertionError("the callback's error was lost")
    assert recording.read(0, 3).size == 3
print(refused[0])
"""


def test_a_progress_callback_that_touches_its_recording_is_refused(tip_timing):
    _, compressed = tip_timing
    # A deadlock would hang the test run: the child is given a time limit.
    done = subprocess.run(
        [sys.executable, "-c", REENTRANT, str(compressed)], capture_output=True, text=True, timeout=60
    )
    assert done.returncode == 0, done.stderr
    assert "функция progress" in done.stdout


def test_indices_of_any_size_are_clipped(tip_timing):
    source, compressed = tip_timing
    expected = data_area(source)
    with kvocodec.open(str(compressed)) as recording:
        assert recording.read(10**20).size == 0
        assert recording.read(2**63).size == 0
        assert recording.read(49_990, 2**64).tobytes() == expected[49_990:].tobytes()
        assert recording.read(-(10**20), 5).tobytes() == expected[:5].tobytes()
        assert recording.read(numpy.int64(3), numpy.uint64(7)).size == 4
        assert recording[10**30 :].size == 0
        assert recording[-(10**30) : 2].tobytes() == expected[:2].tobytes()
        assert recording[5:9:1].size == 4
        with pytest.raises(TypeError):
            recording.read(1.5)


def test_a_slice_restores_its_block_only_up_to_the_slice_and_later_reads_go_on(tmp_path):
    source = synth(tmp_path / "big.kvo", "tiptiming", 250_000, seed=4)
    expected = data_area(source)
    compressed = tmp_path / "big.kvox"
    kvocodec.compress(source, compressed, 6 * 100_000)  # blocks of 100,000 records
    stretch = 8192
    with kvocodec.open(compressed) as recording:
        assert recording[10:20].tobytes() == expected[10:20].tobytes()
        assert recording.blocks_decoded == 1
        assert recording.records_decoded <= stretch
        # Further into the same block: goes on from where it stopped.
        assert recording[50_000:50_010].tobytes() == expected[50_000:50_010].tobytes()
        assert recording.blocks_decoded == 1
        assert recording.records_decoded <= 50_010 + stretch
        before = recording.records_decoded
        assert recording[3].tobytes() == expected[3].tobytes()
        assert recording.records_decoded == before
        # Another block starts again; coming back restarts the first.
        assert recording[150_000:150_001].tobytes() == expected[150_000:150_001].tobytes()
        assert recording[99_990:100_010].tobytes() == expected[99_990:100_010].tobytes()
        assert recording.blocks_decoded == 4  # one kept block: 0 and 1 both start again
        generator = random.Random(9)
        for _ in range(100):
            start = generator.randrange(len(expected))
            stop = min(len(expected), start + generator.choice([1, 100, 10_000, 120_000]))
            assert recording.read(start, stop).tobytes() == expected[start:stop].tobytes()
        assert recording.read().tobytes() == expected.tobytes()

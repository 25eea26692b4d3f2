"""A Recording as a 1-D sequence of records, as numpy and h5py users expect."""

import os
import pathlib
import random

import numpy
import pytest

import kvocodec
from conftest import data_area


def test_indexing_and_slices_give_what_read_gives(tip_timing):
    source, compressed = tip_timing
    expected = data_area(source)
    generator = random.Random(11)
    with kvocodec.open(compressed) as recording:
        assert len(recording) == len(expected) == recording.record_count
        for index in (0, 999, 1000, 49_999, -1, -1000, -50_000, numpy.int64(1234)):
            assert recording[index] == expected[index]
        for index in (50_000, -50_001, 10**30):
            with pytest.raises(IndexError):
                recording[index]
        for _ in range(200):
            start = generator.randrange(-60_000, 60_000)
            stop = generator.randrange(-60_000, 60_000)
            step = generator.choice([1, 2, 3, 999, 1001, -1, -7, -1000, None])
            key = slice(generator.choice([start, None]), generator.choice([stop, None]), step)
            assert recording[key].tobytes() == expected[key].tobytes(), key
        for edge in range(1000, 50_000, 1000):
            assert recording[edge - 5 : edge + 5 : 3].tobytes() == expected[edge - 5 : edge + 5 : 3].tobytes()
            assert recording[edge + 5 : edge - 5 : -2].tobytes() == expected[edge + 5 : edge - 5 : -2].tobytes()
        assert recording[...].tobytes() == expected.tobytes()
        with pytest.raises(ValueError):
            recording[::0]
        with pytest.raises(TypeError):
            recording[1.5]


def test_numpy_sees_one_dimension_of_records(tmp_path, tip_timing):
    source, compressed = tip_timing
    expected = data_area(source)
    uneven = tmp_path / "uneven.kvox"
    kvocodec.compress(source, uneven, 6 * 7001)
    for path in (source, compressed, uneven):
        with kvocodec.open(path) as recording:
            array = numpy.asarray(recording)
            assert array.shape == (len(expected),)
            assert array.dtype == kvocodec.RECORD_DTYPE
            assert array.tobytes() == expected.tobytes()
            assert numpy.array_equal(numpy.asarray(recording, dtype=recording.dtype), expected)
            swapped = numpy.asarray(recording, dtype=expected.dtype.newbyteorder(">"))
            assert swapped.dtype.fields["first_word"][0] == numpy.dtype(">u2")
            assert all(numpy.array_equal(swapped[name], expected[name]) for name in expected.dtype.names)
            assert numpy.array(recording, copy=True).tobytes() == expected.tobytes()
            with pytest.raises(ValueError):
                recording.__array__(copy=False)  # the records are always read into a new array


def test_iteration_matches_len_and_blocks_have_their_own_name(tip_timing):
    source, compressed = tip_timing
    expected = data_area(source)
    with kvocodec.open(compressed) as recording:
        records = list(recording)
        assert len(records) == len(recording)
        assert records[0] == expected[0] and records[-1] == expected[-1]
        blocks = list(recording.iter_blocks())
        assert [len(block) for block in blocks] == [count for _, _, count in recording.blocks]
        assert numpy.concatenate(blocks).tobytes() == expected.tobytes()


def test_paths_may_be_str_bytes_or_path_like(tmp_path, tip_timing):
    source, _ = tip_timing
    expected = data_area(source)
    for kind, make in (("str", str), ("bytes", os.fsencode), ("path", pathlib.Path)):
        target = tmp_path / f"{kind}.kvox"
        kvocodec.compress(make(pathlib.Path(source)), make(target))
        restored = tmp_path / f"{kind}.kvo"
        kvocodec.restore(make(target), make(restored))
        assert restored.read_bytes() == pathlib.Path(source).read_bytes()
        with kvocodec.open(make(target)) as recording:
            assert recording.path == str(target)
            assert recording.read().tobytes() == expected.tobytes()


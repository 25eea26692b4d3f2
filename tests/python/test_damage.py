"""Damaged and cut-short compressed files, and refusals."""

import shutil

import pytest

import kvocodec
from conftest import data_area, kvox


def damage_run_count(path, block):
    """Raises the count of the block's first SecondByte run pair."""
    with kvocodec.open(str(path)) as recording:
        offset, _, count = recording.blocks[block]
    data = bytearray(path.read_bytes())
    data[offset + 4 + 2 * count + 4 + 1] ^= 0x40
    path.write_bytes(bytes(data))


def test_a_damaged_block_raises_naming_it_and_the_others_read(tip_timing, tmp_path):
    source, compressed = tip_timing
    damaged = tmp_path / "d.kvox"
    shutil.copy(compressed, damaged)
    damage_run_count(damaged, 7)
    expected = data_area(source)

    status, _, err = kvox("-t", str(damaged))
    assert status == 1
    with kvocodec.open(str(damaged)) as recording:
        with pytest.raises(kvocodec.DamagedError) as raised:
            recording.read(7_500, 7_501)
        assert raised.value.block == 7
        assert raised.value.kind == "damaged"
        assert str(raised.value) in err  # worded as kvox words it
        assert "блок 8" in str(raised.value)
        with pytest.raises(kvocodec.DamagedError):
            recording.read()
        assert recording.read(0, 7_000).tobytes() == expected[:7_000].tobytes()
        assert recording.read(8_000).tobytes() == expected[8_000:].tobytes()
        blocks = iter(recording)
        for _ in range(7):
            next(blocks)
        with pytest.raises(kvocodec.Error):
            next(blocks)
    with pytest.raises(kvocodec.DamagedError, match="блок 8"):
        kvocodec.restore(str(damaged), str(tmp_path / "d.kvo"))
    assert not (tmp_path / "d.kvo").exists()


def test_a_cut_short_file_reads_up_to_the_cut(tip_timing, tmp_path):
    source, compressed = tip_timing
    cut = tmp_path / "c.kvox"
    with kvocodec.open(str(compressed)) as recording:
        offset = recording.blocks[30][0]
    cut.write_bytes(compressed.read_bytes()[: offset + 100])
    _, _, err = kvox("-t", str(cut))
    with kvocodec.open(str(cut)) as recording:
        assert recording.cut_short_block == 30
        assert recording.record_count == 30_000
        assert recording.read(0, 30_000).tobytes() == data_area(source)[:30_000].tobytes()
        with pytest.raises(kvocodec.DamagedError) as raised:
            recording.read(29_000)
        assert raised.value.block == 30
        assert str(raised.value) in err
        with pytest.raises(kvocodec.DamagedError):
            list(recording)


def test_refusals_carry_the_users_message(tmp_path):
    with pytest.raises(kvocodec.Error) as raised:
        kvocodec.open(str(tmp_path / "missing.kvox"))
    assert raised.value.kind == "io"
    (tmp_path / "short.kvo").write_bytes(b"RecKvo")
    with pytest.raises(kvocodec.Error, match="короче 10 байт"):
        kvocodec.open(str(tmp_path / "short.kvo"))
    with pytest.raises(kvocodec.Error, match="расширение"):
        kvocodec.open(str(tmp_path / "short.dat"))
    with pytest.raises(ValueError):
        kvocodec.open(str(tmp_path / "short.kvo"), kind="zip")

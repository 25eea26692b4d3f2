"""Damaged and cut-short compressed files, and refusals."""

import shutil
import subprocess
import sys

import pytest

import kvocodec
from conftest import data_area, passport, kvox


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
        blocks = recording.iter_blocks()
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
    with pytest.raises(FileNotFoundError, match="Не удалось открыть файл"):
        kvocodec.open(str(tmp_path / "missing.kvox"))
    (tmp_path / "short.kvo").write_bytes(b"RecKvo")
    with pytest.raises(kvocodec.Error, match="короче 10 байт"):
        kvocodec.open(str(tmp_path / "short.kvo"))
    with pytest.raises(kvocodec.Error, match="расширение"):
        kvocodec.open(str(tmp_path / "short.dat"))
    with pytest.raises(ValueError, match="'kvo' или 'kvox', а не 'zip'"):
        kvocodec.open(str(tmp_path / "short.kvo"), kind="zip")


def test_zeros_are_damage_named_as_kvox_names_them(tip_timing, tmp_path):
    source, compressed = tip_timing
    expected = data_area(source)
    data = compressed.read_bytes()
    with kvocodec.open(str(compressed)) as recording:
        last = recording.blocks[-1][0]
    zeroed_last = tmp_path / "z.kvox"
    zeroed_last.write_bytes(data[:last] + bytes(len(data) - last))
    zeros_behind = tmp_path / "b.kvox"
    zeros_behind.write_bytes(data + bytes(100_000))
    for path, block in ((zeroed_last, 49), (zeros_behind, 50)):
        _, _, err = kvox("-t", str(path))
        with kvocodec.open(str(path)) as recording:
            assert recording.damaged_block == block
            assert recording.cut_short_block is None
            assert len(recording.blocks) == block
            assert recording.record_count == block * 1000
            with pytest.raises(kvocodec.DamagedError) as raised:
                recording.read()
            assert raised.value.block == block
            assert str(raised.value) in err
            with pytest.raises(kvocodec.DamagedError):
                recording[block * 1000 - 1 :]
            with pytest.raises(kvocodec.DamagedError):
                list(recording)
            assert recording.read(0, block * 1000).tobytes() == expected[: block * 1000].tobytes()


def test_a_damaged_block_in_front_of_the_index_damage_comes_first(tip_timing, tmp_path):
    _, compressed = tip_timing
    damaged = tmp_path / "d.kvox"
    damaged.write_bytes(compressed.read_bytes() + bytes(100))
    damage_run_count(damaged, 20)
    _, _, err = kvox("-t", str(damaged))
    with kvocodec.open(str(damaged)) as recording:
        assert recording.damaged_block == 50
        for start in (0, 20_500):
            with pytest.raises(kvocodec.DamagedError) as raised:
                recording.read(start)
            assert raised.value.block == 20
            assert str(raised.value) in err
        with pytest.raises(kvocodec.DamagedError) as raised:
            recording.read(21_000)
        assert raised.value.block == 50


def peak_memory_kib(script, *args):
    """Runs the script in a fresh interpreter; its largest resident set, as /usr/bin/time tells."""
    done = subprocess.run(
        ["/usr/bin/time", "-f", "%M", sys.executable, "-c", script, *map(str, args)],
        capture_output=True,
        text=True,
        timeout=120,
    )
    assert done.returncode == 0, done.stderr
    return int(done.stderr.strip().splitlines()[-1])


READ_ALL = """
import sys, kvocodec
with kvocodec.open(sys.argv[1]) as recording:
    recording.passport
    try:
        recording.read()
    except kvocodec.Error:
        pass
    try:
        list(recording)
    except kvocodec.Error:
        pass
"""


def test_headers_that_claim_huge_sizes_cost_no_memory(tmp_path):
    huge_passport = tmp_path / "p.kvox"
    with open(huge_passport, "wb") as file:
        file.write(passport(24)[:6] + (1_800_000_000).to_bytes(4, "little") + passport(24)[10:])
        file.truncate(1_800_000_100)  # sparse: costs no disk
    huge_block = tmp_path / "b.kvox"
    sound = (24).to_bytes(4, "little") + bytes(24)
    claim = (500_000_000).to_bytes(4, "little")
    with open(huge_block, "wb") as file:
        file.write(passport(24) + sound + claim)
        file.truncate(24 + len(sound) + 4 + 500_000_000 + 100)
    baseline = peak_memory_kib("import kvocodec")
    for path in (huge_passport, huge_block):
        assert peak_memory_kib(READ_ALL, path) < baseline + 50 * 1024, path

"""The passport as data, and compress/restore against kvox."""

import pytest

import kvocodec
from conftest import listing, kvox, synth


def window_lines(passport):
    """The passport window's lines, rebuilt from the dict."""
    lines = [
        passport["signature"],
        f"Длина паспорта = {passport['length']}",
        f"Плата = М{passport['board']}",
        f"Число каналов = {passport['channel_count'] & 0xFF}",
    ]
    for channel in passport["channels"]:
        low, high = channel["gain"]
        kind = channel["type_name"] if channel["type_name"] is not None else channel["type"]
        lines.append(
            f"Канал {channel['number']}  Ку/Кд = {low:2d}/{high}  "
            f"Имя отм. {channel['mark_name']}  Тип {kind}"
        )
    lines.append("Датирование = " + passport["start_time"].strftime("%d.%m.%Y  %H:%M:%S"))
    lines.append(f"част.дискр.аналог.кан. = {passport['analog_rate']}")
    return lines


@pytest.mark.parametrize("seed", [1, 2, 3, 4, 5, 6])
def test_passport_matches_the_passport_window(tmp_path, seed):
    source = synth(tmp_path / "p.kvo", "runs", 100, seed=seed)
    kvocodec.compress(str(source), str(tmp_path / "p.kvox"))
    for path in (source, tmp_path / "p.kvox"):
        with kvocodec.open(str(path)) as recording:
            passport = recording.passport
        assert passport["complete"]
        assert gain_codes_agree(passport)
        assert window_lines(passport) == listing(path)["passport"]


def gain_codes_agree(passport):
    return all(c["gain"] == (c["gain_code"] & 7, c["gain_code"] >> 3) for c in passport["channels"])


@pytest.mark.parametrize("block_size", [None, 6000, 6 * 4321])
def test_compress_and_restore_give_the_bytes_kvox_gives(tmp_path, block_size):
    source = synth(tmp_path / "a.kvo", "tiptiming", 40_003, seed=2)
    with open(source, "ab") as partial:
        partial.write(b"xyz")
    options = [] if block_size is None else ["-b", str(block_size)]
    assert kvox(*options, str(source), "-o", str(tmp_path / "k.kvox"))[0] == 2  # partial record
    report = kvocodec.compress(str(source), str(tmp_path / "p.kvox"), block_size)
    assert (tmp_path / "p.kvox").read_bytes() == (tmp_path / "k.kvox").read_bytes()
    assert report["dropped_bytes"] == 3
    assert report["bytes_written"] == (tmp_path / "p.kvox").stat().st_size

    assert kvox(str(tmp_path / "k.kvox"), "-o", str(tmp_path / "k.kvo"))[0] == 0
    kvocodec.restore(str(tmp_path / "p.kvox"), str(tmp_path / "p.kvo"))
    assert (tmp_path / "p.kvo").read_bytes() == (tmp_path / "k.kvo").read_bytes()


def test_conversions_refuse_as_kvox_does(tmp_path):
    source = synth(tmp_path / "a.kvo", "random", 5_000)
    target = tmp_path / "a.kvox"
    target.write_bytes(b"old")
    with pytest.raises(kvocodec.Error, match="уже существует") as raised:
        kvocodec.compress(str(source), str(target))
    assert raised.value.kind == "refused"
    with pytest.raises(kvocodec.Error, match="совпадает с исходным"):
        kvocodec.compress(str(source), str(source), overwrite=True)
    with pytest.raises(kvocodec.Error, match="Размер блока 60 байт слишком мал"):
        kvocodec.compress(str(source), str(target), 60, overwrite=True)
    assert target.read_bytes() == b"old"

    positions = []
    kvocodec.compress(
        str(source), str(target), 6000, overwrite=True,
        progress=lambda at, total: positions.append((at, total)),
    )
    assert positions[-1] == (source.stat().st_size, source.stat().st_size)
    # Every block's end, in order, with steps inside the blocks between them.
    assert positions == sorted(positions)
    ends = [53 + 6000 * i for i in range(1, 6)]
    assert all((end, positions[-1][1]) in positions for end in ends)

    def fail(at, total):
        raise RuntimeError("stop")

    with pytest.raises(RuntimeError, match="stop"):
        kvocodec.restore(str(target), str(tmp_path / "b.kvo"), progress=fail)
    assert not (tmp_path / "b.kvo").exists()


def test_checksum_files_are_kept_current_and_heeded(tmp_path):
    source = synth(tmp_path / "a.kvo", "tiptiming", 3000)
    target = tmp_path / "a.kvox"
    sums = tmp_path / "a.kvox.sha256"
    status, _, err = kvox("--checksum", "-b", "6000", str(source))
    assert status == 0, err
    old = sums.read_bytes()
    kvocodec.compress(str(source), str(target), 1200, overwrite=True)
    assert sums.read_bytes() != old
    status, _, err = kvox("-v", "-t", str(target))
    assert status == 0 and "совпадает" in err, err

    # A flipped FirstWord restores to other records: only the checksum tells.
    passport_length = int.from_bytes(source.read_bytes()[6:10], "little")
    damaged = bytearray(target.read_bytes())
    damaged[passport_length + 14] ^= 1
    target.write_bytes(bytes(damaged))
    with pytest.raises(kvocodec.DamagedError, match="контрольная сумма SHA-256") as raised:
        kvocodec.restore(str(target), str(tmp_path / "b.kvo"))
    assert raised.value.kind == "checksum"
    assert raised.value.block is None
    assert not (tmp_path / "b.kvo").exists()

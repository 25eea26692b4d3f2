"""Errors follow Python's conventions; their messages stay the program's own."""

import errno
import os
import shutil
import subprocess
import sys

import pytest

import kvocodec
from conftest import synth
from test_damage import damage_run_count


def test_missing_forbidden_and_folder_paths_raise_os_errors(tmp_path):
    missing = tmp_path / "missing.kvox"
    folder = tmp_path / "folder.kvo"
    folder.mkdir()
    forbidden = synth(tmp_path / "forbidden.kvo", "zeros", 100)
    forbidden.chmod(0)
    cases = [(missing, FileNotFoundError, errno.ENOENT), (folder, IsADirectoryError, errno.EISDIR)]
    if os.geteuid() != 0:  # root reads anything
        cases.append((forbidden, PermissionError, errno.EACCES))
    for path, expected, code in cases:
        for call in (
            lambda: kvocodec.open(path),
            lambda: kvocodec.compress(path, tmp_path / "out.kvox"),
            lambda: kvocodec.restore(path, tmp_path / "out.kvo", overwrite=True),
        ):
            with pytest.raises(expected) as raised:
                call()
            assert raised.value.errno == code
            assert raised.value.filename == str(path)
            assert "Не удалось открыть файл" in str(raised.value)
    assert not (tmp_path / "out.kvox").exists() and not (tmp_path / "out.kvo").exists()


@pytest.mark.skipif(os.geteuid() != 0, reason="needs root to run a child as another user")
def test_a_file_the_user_may_not_read_raises_permission_error(tmp_path):
    # Root reads anything, so the refusal is seen from a child running as nobody.
    tmp_path.chmod(0o755)
    forbidden = synth(tmp_path / "forbidden.kvo", "zeros", 100)
    forbidden.chmod(0o600)
    probe = (
        "import errno, sys, kvocodec\n"
        "try:\n"
        "    kvocodec.open(sys.argv[1])\n"
        "except PermissionError as e:\n"
        "    assert e.errno == errno.EACCES and e.filename == sys.argv[1], e\n"
        "    print('PermissionError')\n"
    )
    outcome = subprocess.run(
        [sys.executable, "-c", probe, str(forbidden)],
        capture_output=True, text=True, timeout=60, user=65534,
        cwd="/", env={**os.environ, "HOME": "/"},
    )
    assert outcome.stdout.strip() == "PermissionError", outcome.stderr


def test_damage_is_a_value_error_naming_the_block(tip_timing, tmp_path):
    _, compressed = tip_timing
    damaged = tmp_path / "d.kvox"
    shutil.copy(compressed, damaged)
    damage_run_count(damaged, 3)
    assert issubclass(kvocodec.DamagedError, kvocodec.Error)
    assert issubclass(kvocodec.Error, ValueError)
    with kvocodec.open(damaged) as recording:
        with pytest.raises(kvocodec.DamagedError, match="блок 4") as raised:
            recording[3500]
        assert raised.value.block == 3
        with pytest.raises(ValueError):
            numpy_all = recording[...]  # noqa: F841


def test_a_closed_recording_raises_value_error(tip_timing):
    _, compressed = tip_timing
    recording = kvocodec.open(compressed)
    recording.close()
    for use in (lambda r: r.read(0, 1), lambda r: r[0], lambda r: len(r), lambda r: r.blocks,
                lambda r: list(r.iter_blocks())):
        with pytest.raises(ValueError, match="закрыт") as raised:
            use(recording)
        assert not isinstance(raised.value, kvocodec.Error)

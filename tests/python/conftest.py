"""Synthetic files and the kvox program for the kvocodec tests."""

import json
import os
import struct
import subprocess

import numpy
import pytest

import kvocodec

KINDS = ["tiptiming", "random", "constant", "zeros", "runs"]


def kvox(*args):
    """Runs kvox; returns (exit status, stdout, stderr)."""
    done = subprocess.run([os.environ["KVOX"], *args], capture_output=True, text=True)
    return done.returncode, done.stdout, done.stderr


def synth(path, kind, records, seed=1):
    subprocess.run([os.environ["KVO_SYNTH"], kind, str(records), str(seed), str(path)], check=True)
    return path


def listing(path):
    status, out, err = kvox("-l", "--json", str(path))
    assert status == 0, err
    return json.loads(out)


def passport(length):
    """The default passport (board 666, no channels, StartTime 100.0), filled up to length bytes."""
    fields = b"RecKvo" + length.to_bytes(4, "little") + (666).to_bytes(2, "little") + bytes(2)
    fields += struct.pack("<d", 100.0) + bytes(2)
    return fields + bytes(length - len(fields))


def data_area(path):
    """The records of a recording file as numpy.fromfile reads them."""
    passport_length = int.from_bytes(open(path, "rb").read(10)[6:10], "little")
    size = os.path.getsize(path) - passport_length
    return numpy.fromfile(path, dtype=kvocodec.RECORD_DTYPE, count=size // 6, offset=passport_length)


@pytest.fixture(scope="session")
def tip_timing(tmp_path_factory):
    """A tip-timing recording of 50,000 records compressed into 1000-record blocks."""
    folder = tmp_path_factory.mktemp("tiptiming")
    source = synth(folder / "tt.kvo", "tiptiming", 50_000, seed=3)
    kvocodec.compress(str(source), str(folder / "tt.kvox"), block_size=6000)
    return source, folder / "tt.kvox"

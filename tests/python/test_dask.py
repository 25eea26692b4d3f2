"""Analysis past one process: to_dask, and the module's calls as Dask tasks."""

import pickle
import shutil
import subprocess
import sys

import numpy
import pytest

import kvocodec
from conftest import data_area, synth
from test_damage import damage_run_count

dask = pytest.importorskip("dask")
distributed = pytest.importorskip("distributed")


@pytest.fixture(scope="module")
def cluster_client():
    with distributed.LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None, silence_logs=50
    ) as cluster, distributed.Client(cluster) as client:
        yield client


def test_to_dask_has_a_chunk_per_block_and_computes_what_read_gives(tip_timing, cluster_client):
    source, compressed = tip_timing
    expected = data_area(source)
    for path in (compressed, source):
        array = kvocodec.to_dask(path)
        assert array.dtype == kvocodec.RECORD_DTYPE and array.shape == (len(expected),)
        with kvocodec.open(path) as recording:
            assert array.chunks == ((tuple(count for _, _, count in recording.blocks)),)
        # Tasks carry where the records lie, never the records.
        assert len(pickle.dumps(dict(array.__dask_graph__()))) < 1000 * array.npartitions  # one block of records is 6,000 bytes or more
        for scheduler in ("threads", cluster_client):
            kwargs = {"scheduler": "threads"} if scheduler == "threads" else {}
            computed = array.compute(**kwargs) if kwargs else cluster_client.compute(array).result()
            assert computed.tobytes() == expected.tobytes()
            total = array["first_word"].astype("u8").sum()
            got = total.compute(**kwargs) if kwargs else cluster_client.compute(total).result()
            assert got == expected["first_word"].astype("u8").sum()


def test_a_damaged_block_fails_its_task_and_the_others_compute(tip_timing, tmp_path, cluster_client):
    source, compressed = tip_timing
    expected = data_area(source)
    damaged = tmp_path / "d.kvox"
    shutil.copy(compressed, damaged)
    damage_run_count(damaged, 12)
    array = kvocodec.to_dask(damaged)
    chunks = [array.blocks[index] for index in range(array.npartitions)]
    futures = cluster_client.compute(chunks)
    distributed.wait(futures)
    for index, future in enumerate(futures):
        if index == 12:
            assert future.status == "error"
            error = future.exception()
            assert isinstance(error, kvocodec.DamagedError) and error.block == 12 and "блок 13" in str(error)
        else:
            records = future.result()
            assert records.tobytes() == expected[1000 * index : 1000 * (index + 1)].tobytes()
    with pytest.raises(kvocodec.DamagedError):
        array.compute(scheduler="threads")


def test_a_cut_short_file_keeps_its_damage_in_the_array(tip_timing, tmp_path):
    _, compressed = tip_timing
    cut = tmp_path / "c.kvox"
    with kvocodec.open(compressed) as recording:
        offset = recording.blocks[30][0]
    cut.write_bytes(compressed.read_bytes()[: offset + 100])
    array = kvocodec.to_dask(cut)
    assert array.shape == (30_000,)
    assert array.blocks[:30].compute(scheduler="threads").size == 30_000
    with pytest.raises(kvocodec.DamagedError, match="блок 31"):
        array.compute(scheduler="threads")


def test_conversions_and_reads_run_as_tasks_on_other_processes(tmp_path, cluster_client):
    sources = [synth(tmp_path / f"r{index}.kvo", "tiptiming", 20_000 + index, seed=index) for index in range(3)]
    bad = tmp_path / "bad.kvo"
    bad.write_bytes(b"RecKvo")  # shorter than any passport
    targets = [str(path.with_suffix(".kvox")) for path in sources + [bad]]
    futures = cluster_client.map(kvocodec.compress, [str(path) for path in sources + [bad]], targets)
    distributed.wait(futures)
    assert [future.status for future in futures] == ["finished"] * 3 + ["error"]
    assert isinstance(futures[-1].exception(), kvocodec.Error)
    assert "короче 10 байт" in str(futures[-1].exception())
    assert not (tmp_path / "bad.kvox").exists()  # nothing half-written
    with kvocodec.open(targets[0]) as recording:
        remote = cluster_client.submit(recording.read, 100, 200).result()  # a Recording travels as its path
        assert remote.tobytes() == recording.read(100, 200).tobytes()

    def mean_first_word(path):
        with kvocodec.open(path) as recording:
            return float(numpy.mean(recording[:]["first_word"]))

    import dask.bag

    means = dask.bag.from_sequence(targets[:3]).map(mean_first_word).compute()
    assert means == pytest.approx([float(data_area(path)["first_word"].mean()) for path in sources])
    for function in (kvocodec.compress, kvocodec.restore, kvocodec.open):
        assert pickle.loads(pickle.dumps(function)) is function


WITHOUT_DASK = """
import sys
sys.modules["dask"] = None  # as if it were not installed
import kvocodec
with kvocodec.open(sys.argv[1]) as recording:
    assert recording[:5].size == 5
try:
    kvocodec.to_dask(sys.argv[1])
except ImportError as error:
    print(error)
"""


def test_the_module_works_without_dask(tip_timing):
    _, compressed = tip_timing
    done = subprocess.run([sys.executable, "-c", WITHOUT_DASK, str(compressed)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    assert "python3-dask" in done.stdout

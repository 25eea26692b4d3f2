"""The records of a file as a dask.array: one chunk per block, decoded where its task runs."""

import os

# Records per chunk of a .kvo, whose blocks are only stretches of its data area: about 64 MiB.
_KVO_CHUNK_RECORDS = (64 << 20) // 6


def _chunk(path, kind, first, stop):
    # Runs on a worker: opens the file there, so a task carries only where its records lie.
    from . import open

    with open(path, kind, threads=1) as recording:
        return recording.read(first, stop)


def _places(recording):
    """(first, stop) of every chunk; a stop of None reads past the records to a damaged block."""
    if recording.kind == "kvox":
        places = [(first, first + count) for _, first, count in recording.blocks]
    else:
        count = len(recording)
        places = [(first, min(first + _KVO_CHUNK_RECORDS, count)) for first in range(0, count, _KVO_CHUNK_RECORDS)]
    if recording.damaged_block is not None:
        # An empty last chunk whose task raises DamagedError as read() does: the damage is not lost.
        places.append((len(recording), None))
    return places


def to_dask(path, kind=None):
    """A dask.array of every record of the file (dtype RECORD_DTYPE), one chunk per block.

    Each chunk is read by its task where it runs (a thread, a process, another machine that sees
    the same path), decoding one block; the whole recording is never held anywhere, and a task
    carries the path and the block's place, never the records. A damaged block raises DamagedError
    in the task that reads it; the other chunks still compute. Needs dask (python3-dask; for a
    cluster python3-distributed)."""
    try:
        import dask.array
        from dask.base import tokenize
    except ImportError as missing:
        raise ImportError(
            "Для kvocodec.to_dask нужен пакет dask: apt install python3-dask (для кластера ещё "
            "python3-distributed) или pip install 'dask[array]'"
        ) from missing
    from . import RECORD_DTYPE, open

    path = os.fsdecode(os.fspath(path))
    with open(path, kind) as recording:
        kind = recording.kind
        places = _places(recording)
    stat = os.stat(path)
    # A file changed since is another array.
    name = "kvocodec-" + tokenize(path, kind, stat.st_size, stat.st_mtime_ns)
    graph = {(name, index): (_chunk, path, kind, first, stop) for index, (first, stop) in enumerate(places)}
    chunks = tuple((stop if stop is not None else first) - first for first, stop in places)
    return dask.array.Array(graph, name, chunks=(chunks,), dtype=RECORD_DTYPE)

"""Recordings of the measuring system in numpy.

A recording (.kvo) is a passport followed by 6-byte records; a compressed file (.kvox) holds the
same passport and the records in blocks. Both are read where they lie, without restoring:

    import kvocodec
    with kvocodec.open("run.kvox") as rec:
        print(rec.passport["board"], len(rec), len(rec.blocks))
        first = rec[:1_000_000]             # numpy structured array, dtype RECORD_DTYPE
        print(first.dtype, rec[-1], rec[::1000].size)
        for block in rec.iter_blocks():     # one block at a time, bounded memory
            ...
        everything = numpy.asarray(rec)     # every record, one dimension

compress() and restore() convert whole files with the same module as the kvox program: the same
block plans, the same refusals, an output file only after the run has succeeded. to_dask() gives a
dask.array of the records, one chunk per block, for analysis on several cores or machines.

Paths are str, bytes or os.PathLike. A file that cannot be opened raises the matching OSError
(FileNotFoundError, PermissionError, IsADirectoryError); a refused or damaged file raises
kvocodec.Error, a ValueError (DamagedError for a block that does not restore) with the message shown
to users; a record index beyond the records raises IndexError, a closed Recording ValueError.
"""

from operator import index as _index

from . import _kvocodec
from ._dask import to_dask
from ._kvocodec import RECORD_DTYPE, BlockIterator, DamagedError, Error, __version__

__all__ = [
    "RECORD_DTYPE",
    "BlockIterator",
    "DamagedError",
    "Error",
    "Recording",
    "compress",
    "open",
    "restore",
    "to_dask",
]


class Recording(_kvocodec.Recording):
    __doc__ = _kvocodec.Recording.__doc__ + """

As a sequence it holds records, as a 1-D numpy array would: len(rec) counts them, rec[i] is one
record (negative i counts from the end), rec[a:b:c] and rec[...] are what read() would give sliced
the same way, iter(rec) yields the records one by one (decoding a block at a time), and
numpy.asarray(rec) is every record. Only the blocks a slice touches are decoded."""

    def __getitem__(self, key):
        if key is Ellipsis:
            return self.read()
        if isinstance(key, slice):
            return self._slice(key)
        index = _index(key)
        count = len(self)
        if not -count <= index < count:
            raise IndexError(f"Записи {index} нет в файле {self.path}: в нём {count} записей")
        index %= count
        return self.read(index, index + 1)[0]

    def _slice(self, key):
        step = 1 if key.step is None else _index(key.step)
        if step > 0:
            # read() clips start and stop as slices do, and a stop past the records reaches a
            # damaged block behind them just as read() does.
            return self.read(0 if key.start is None else key.start, key.stop)[::step]
        if step == 0:
            raise ValueError("Шаг среза не может быть нулём")
        # Backwards: the records from just past stop up to start, then stepped from the end.
        count = len(self)
        first, stop, _ = key.indices(count)
        reaches_end = key.start is None or _index(key.start) >= count
        return self.read(stop + 1, None if reaches_end else first + 1)[::step]

    def __iter__(self):
        for block in self.iter_blocks():
            yield from block

    def __array__(self, dtype=None, copy=None):
        if copy is False:
            raise ValueError("Записи файла всегда читаются в новый массив: copy=False невозможно")
        records = self.read()
        return records if dtype is None else records.astype(dtype, copy=False)

    def __repr__(self):
        if self.closed:
            return f"<kvocodec.Recording {self.path!r}, закрыт>"
        damaged = "" if self.damaged_block is None else f", поврежден блок {self.damaged_block}"
        return (
            f"<kvocodec.Recording {self.path!r} ({self.kind}): {len(self)} записей, "
            f"{len(self.blocks)} блоков{damaged}>"
        )

    def __reduce__(self):
        # Another process opens the file again: a Recording travels as its path and kind.
        return (open, (self.path, self.kind))


# Python functions, so that they travel to other processes (Dask tasks) by name.
def compress(src, dst, block_size=None, *, overwrite=False, threads=0, progress=None):
    return _kvocodec.compress(src, dst, block_size, overwrite=overwrite, threads=threads, progress=progress)


def restore(src, dst, *, overwrite=False, threads=0, progress=None):
    return _kvocodec.restore(src, dst, overwrite=overwrite, threads=threads, progress=progress)


compress.__doc__ = _kvocodec.compress.__doc__
restore.__doc__ = _kvocodec.restore.__doc__


def open(path, kind=None, threads=0):
    """Opens a recording (.kvo) or compressed file (.kvox) for reading; gives a Recording.

    kind ('kvo' or 'kvox') is taken from the extension unless given. Reads the passport and, for a
    .kvox, walks the blocks' length words once to index them; no block is decoded until records are
    read. threads: decoding threads for reads over several blocks, 0 for every core. path: str,
    bytes or os.PathLike."""
    return Recording(path, kind, threads)

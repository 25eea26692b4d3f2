#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>

#include "convert/converterror.h"
#include "convert/storedblocks.h"
#include "model/types4kvo.h"
#include "platform/codepage.h"
#include "platform/datevalue.h"
#include "python/bindings.h"
#include "reader/recording.h"

namespace py = pybind11;

namespace kvo::python {
namespace {

using reader::BlockEntry;
using reader::Recording;

constexpr const char* kRecordingDoc = R"(An opened recording or compressed file.

Attributes: path, kind ('kvo' or 'kvox'), passport (dict), passport_length, record_count,
partial_record_bytes (a trailing partial record of a .kvo, never read), blocks (list of
(offset, first_record, count): a .kvox's stored blocks, a .kvo's stretches as kvox would cut them),
damaged_block (index of the first .kvox block that is cut short by the end of the file or whose
length words no restorable block has, or None: blocks and record_count end in front of it, and
kvox -t names the same block), cut_short_block (damaged_block when it is cut short, else None),
blocks_decoded (blocks decoded so far), records_decoded (records restored so far: a block
read in part counts only as far as it was restored).

rec.read(start, stop) gives the records as a numpy array of RECORD_DTYPE; iter_blocks() gives one
array per block. A Recording is a context manager; close() releases the file, after which using it
raises ValueError.)";

constexpr const char* kReadDoc = R"(read(start=0, stop=None, progress=None) -> numpy.ndarray

Records start .. stop-1 as a structured array of RECORD_DTYPE (fields lead_byte, second_byte,
first_word, second_word), the same bytes as numpy.fromfile of the restored data area. start and
stop follow slice rules (negative values count from the end, stop is clipped to record_count;
integers of any size), but a stretch that reaches past the records of a .kvox with a
damaged_block raises DamagedError as kvox -t would: naming the first block from start on that does
not restore, or else damaged_block. Only the blocks that hold the records are decoded, on several
threads when there are several; a block read in part is restored only up to the stretch of records
that holds the read's end, and kept, so reading on from there restores nothing twice.
progress: optional callable(done_records, total_records) after each block; it may not use the
Recording it reports on (that raises Error). The GIL is released while decoding.)";

constexpr const char* kPassportDoc =
    R"(The decoded passport: signature (str), length, board, channel_count
(the field as stored; only its low byte counts entries), channels (list of dicts: number,
gain_code, gain (the pair Ку, Кд), mark_name (str), type, type_name (str or None)), start_time
(datetime.datetime or None when the value is no date), start_time_days (days since 1899-12-30),
analog_rate, complete (False when the fields run past the passport's length; the fields from
there on are None).)";

py::dtype RecordDtype() {
    py::list fields;
    fields.append(py::make_tuple("lead_byte", "u1"));
    fields.append(py::make_tuple("second_byte", "u1"));
    fields.append(py::make_tuple("first_word", "<u2"));
    fields.append(py::make_tuple("second_word", "<u2"));
    return py::dtype::from_args(fields);
}

template <class T>
py::object OrNone(const std::optional<T>& value) {
    return value ? py::cast(*value) : py::none();
}

py::object StartTime(const std::optional<double>& days) {
    const auto civil = days ? decodeDateTime(*days) : std::nullopt;
    if (!civil) {
        return py::none();
    }
    return py::module_::import("datetime")
        .attr("datetime")(civil->year, civil->month, civil->day, civil->hour, civil->minute,
                          civil->second, civil->millisecond * 1000);
}

py::dict ChannelDict(const PassportChannel& channel) {
    py::dict result;
    result["number"] = channel.number;
    result["gain_code"] = channel.gainCode;
    result["gain"] = py::make_tuple(gainCodeLow(channel.gainCode), gainCodeHigh(channel.gainCode));
    result["mark_name"] = cp1251ToUtf8(channel.markName);
    result["type"] = channel.type;
    result["type_name"] = channel.type < ChannelTypeNames.size()
                              ? py::cast(std::string(ChannelTypeNames[channel.type]))
                              : py::none();
    return result;
}

py::dict PassportDict(const PassportFields& fields) {
    py::dict result;
    result["signature"] =
        fields.signature ? py::cast(cp1251ToUtf8(*fields.signature)) : py::object(py::none());
    result["length"] = OrNone(fields.length);
    result["board"] = OrNone(fields.boardNumber);
    result["channel_count"] = OrNone(fields.channelCount);
    py::list channels;
    for (const auto& channel : fields.channels) {
        channels.append(ChannelDict(channel));
    }
    result["channels"] = channels;
    result["start_time"] = StartTime(fields.startTime);
    result["start_time_days"] = OrNone(fields.startTime);
    result["analog_rate"] = OrNone(fields.analogRate);
    result["complete"] = fields.complete;
    return result;
}

// A read index as slices take it: negative counts from the end, then clipped to 0 .. total. Any
// Python integer: one beyond the 64-bit range is clipped like any other.
struct Bound {
    std::uint64_t clipped = 0;
    bool beyond = false;  // past total before clipping
};

Bound Clip(const py::handle& index, std::uint64_t total) {
    const auto value = py::reinterpret_steal<py::object>(PyNumber_Index(index.ptr()));
    if (!value) {
        throw py::error_already_set();
    }
    int overflow = 0;
    const long long wide = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    const auto signedTotal = static_cast<long long>(total);
    if (overflow != 0) {
        return {overflow > 0 ? total : 0, overflow > 0};
    }
    return {static_cast<std::uint64_t>(
                std::clamp(wide < 0 ? wide + signedTotal : wide, 0LL, signedTotal)),
            wide > signedTotal};
}

// One Recording shared by Python threads: the lock serialises them while the GIL is released.
class PyRecording {
  public:
    PyRecording(const std::filesystem::path& path, const std::optional<std::string>& kind,
                unsigned threads)
        : fRecording(std::make_unique<Recording>(Recording::Open(path.string(), KindOf(kind)))),
          fPath(path.string()),
          fDtype(RecordDtype()) {
        fRecording->setThreads(threads);
    }

    // Runs use(recording) with the lock and the GIL held, so that no read runs meanwhile and
    // close() cannot pull the Recording away. The GIL is let go while waiting for the lock: a
    // read holding it may need the GIL for its progress callback.
    template <class Use>
    auto with(Use&& use) {
        const Held held(*this);
        return use(open());
    }

    void close() {
        with([this](Recording&) {
            fRecording.reset();
            return 0;
        });
    }

    py::array read(const py::object& start, const py::object& stop, const py::object& progress) {
        const auto [first, end, reachesDamage] = with([&](const Recording& recording) {
            const std::uint64_t total = recording.recordCount();
            const std::uint64_t from = Clip(start, total).clipped;
            const Bound to = stop.is_none() ? Bound{total, true} : Clip(stop, total);
            // A stretch past the records reaches the damaged block behind them.
            return std::tuple(from, std::max(from, to.clipped),
                              recording.damagedBlock().has_value() && to.beyond);
        });
        if (reachesDamage) {
            const Held held(*this);
            const py::gil_scoped_release released;
            open().refuseBeyondEnd(first, end - first);
        }
        return readRecords(first, end - first, progress);
    }

    py::array readRecords(std::uint64_t first, std::uint64_t count, const py::object& progress) {
        py::array records(fDtype, std::vector<py::ssize_t>{static_cast<py::ssize_t>(count)});
        auto* out = static_cast<std::uint8_t*>(records.mutable_data());
        const auto callback = ProgressCallback(progress);
        reader::ReadProgress marked;
        if (callback) {
            marked = [this, &callback](std::uint64_t done, std::uint64_t total) {
                const InCallback inside(fCallbackThread);
                callback(done, total);
            };
        }
        const Held held(*this);
        const py::gil_scoped_release released;
        open().read(first, count, out, marked);
        return records;
    }

    const py::dtype& dtype() const { return fDtype; }
    const std::string& path() const { return fPath; }

    bool closed() {
        const Held held(*this);
        return !fRecording;
    }

  private:
    // Marks the thread that runs a read's progress callback while it does.
    class InCallback {
      public:
        explicit InCallback(std::atomic<std::thread::id>& mark) : fMark(mark) {
            fMark = std::this_thread::get_id();
        }
        ~InCallback() { fMark = std::thread::id(); }
        InCallback(const InCallback&) = delete;
        InCallback& operator=(const InCallback&) = delete;

      private:
        std::atomic<std::thread::id>& fMark;
    };

    // The lock, taken without the GIL. A read holds it while its progress callback runs, so a
    // call back into the same Recording from the callback could only wait for itself: it is
    // refused instead.
    class Held {
      public:
        explicit Held(PyRecording& recording) : fOwner(recording) {
            if (fOwner.fCallbackThread.load() == std::this_thread::get_id()) {
                throw ConvertError(ConvertError::Kind::Refused,
                                   "Файл " + fOwner.open().path() +
                                       " сейчас читается: функция progress не может обращаться к "
                                       "нему, пока чтение не закончится");
            }
            const py::gil_scoped_release released;
            fLock = std::unique_lock(fOwner.fMutex);
        }
        Held(const Held&) = delete;
        Held& operator=(const Held&) = delete;

      private:
        PyRecording& fOwner;
        std::unique_lock<std::mutex> fLock;
    };

    Recording& open() const {
        if (!fRecording) {
            // As a closed Python file answers.
            throw py::value_error("Файл закрыт");
        }
        return *fRecording;
    }

    static std::optional<FileKind> KindOf(const std::optional<std::string>& kind) {
        if (!kind) {
            return std::nullopt;
        }
        if (*kind == "kvo" || *kind == "kvox") {
            return *kind == "kvo" ? FileKind::Recording : FileKind::Compressed;
        }
        throw py::value_error("Вид файла kind должен быть 'kvo' или 'kvox', а не '" + *kind + "'");
    }

    std::unique_ptr<Recording> fRecording;
    std::string fPath;  // kept after close(), as a closed Python file keeps its name
    py::dtype fDtype;
    std::mutex fMutex;
    std::atomic<std::thread::id> fCallbackThread;  // the thread in a progress callback, if any
};

// Yields one array per block, then raises for a cut-short block as restoring would.
class BlockIterator {
  public:
    BlockIterator(py::object owner, PyRecording& recording)
        : fOwner(std::move(owner)), fRecording(recording) {}

    py::array next() {
        const BlockEntry entry = fRecording.with([this](const Recording& recording) {
            if (fNext < recording.blocks().size()) {
                return recording.blocks()[fNext++];
            }
            if (const auto& damaged = recording.damagedBlock()) {
                throw DamagedBlockError(recording.path(), *damaged);
            }
            throw py::stop_iteration();
        });
        return fRecording.readRecords(entry.firstRecord, entry.records, py::none());
    }

  private:
    py::object fOwner;  // keeps the Recording alive
    PyRecording& fRecording;
    std::size_t fNext = 0;
};

// A read-only attribute computed from the Recording under its lock.
template <class Get>
auto Field(Get get) {
    return [get](PyRecording& recording) { return recording.with(get); };
}

py::list BlockList(const Recording& recording) {
    py::list blocks;
    for (const BlockEntry& entry : recording.blocks()) {
        blocks.append(py::make_tuple(entry.offset, entry.firstRecord, entry.records));
    }
    return blocks;
}

const char* KindName(FileKind kind) {
    return kind == FileKind::Recording ? "kvo" : "kvox";
}

}  // namespace

void BindRecording(py::module_& module) {
    module.attr("RECORD_DTYPE") = RecordDtype();

    py::class_<BlockIterator>(module, "BlockIterator", "Iterates a Recording block by block.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &BlockIterator::next);

    py::class_<PyRecording>(module, "Recording", kRecordingDoc)
        .def(py::init<const std::filesystem::path&, const std::optional<std::string>&, unsigned>(),
             py::arg("path"), py::arg("kind") = py::none(), py::arg("threads") = 0,
             "Opens the file as kvocodec.open(path, kind, threads) does.")
        .def_property_readonly("path", [](const PyRecording& r) { return FileText(r.path()); })
        .def_property_readonly("kind", Field([](const Recording& r) { return KindName(r.kind()); }))
        .def_property_readonly("passport",
                               Field([](const Recording& r) { return PassportDict(r.passport()); }),
                               kPassportDoc)
        .def_property_readonly("passport_length",
                               Field([](const Recording& r) { return r.passportLength(); }))
        .def_property_readonly("record_count",
                               Field([](const Recording& r) { return r.recordCount(); }))
        .def_property_readonly("partial_record_bytes",
                               Field([](const Recording& r) { return r.partialRecordBytes(); }))
        .def_property_readonly("blocks", Field(&BlockList))
        .def_property_readonly("damaged_block", Field([](const Recording& r) {
                                   return r.damagedBlock() ? py::cast(r.damagedBlock()->index)
                                                           : py::none();
                               }))
        .def_property_readonly("cut_short_block", Field([](const Recording& r) {
                                   const auto& damaged = r.damagedBlock();
                                   return damaged && damaged->cutShort ? py::cast(damaged->index)
                                                                       : py::none();
                               }))
        .def_property_readonly("blocks_decoded",
                               Field([](const Recording& r) { return r.blocksDecoded(); }))
        .def_property_readonly("records_decoded",
                               Field([](const Recording& r) { return r.recordsDecoded(); }))
        .def_property_readonly("dtype", &PyRecording::dtype, "RECORD_DTYPE.")
        .def("read", &PyRecording::read, py::arg("start") = py::int_(0),
             py::arg("stop") = py::none(), py::arg("progress") = py::none(), kReadDoc)
        .def("__len__", Field([](const Recording& r) { return r.recordCount(); }))
        .def(
            "iter_blocks",
            [](py::object self) { return BlockIterator(self, self.cast<PyRecording&>()); },
            "One array per block, in file order; one block is decoded at a time.")
        .def("close", &PyRecording::close, "Releases the file; the Recording can no longer read.")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](PyRecording& r, const py::args&) { r.close(); })
        .def_property_readonly(
            "closed", [](PyRecording& r) { return r.closed(); }, "True once close() was called.");
}

}  // namespace kvo::python

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <memory>
#include <mutex>

#include "convert/converterror.h"
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

constexpr const char* kOpenDoc = R"(open(path, kind=None, threads=0) -> Recording

Opens a recording (.kvo) or compressed file (.kvox) for reading. kind ('kvo' or 'kvox') is taken
from the extension unless given. Reads the passport and, for a .kvox, walks the blocks' length
words once to index them; no block is decoded until records are read. threads: decoding threads
for reads over several blocks, 0 for every core.)";

constexpr const char* kRecordingDoc = R"(An opened recording or compressed file.

Attributes: path, kind ('kvo' or 'kvox'), passport (dict), passport_length, record_count,
partial_record_bytes (a trailing partial record of a .kvo, never read), blocks (list of
(offset, first_record, count): a .kvox's stored blocks, a .kvo's stretches as kvox would cut them),
cut_short_block (index of a .kvox block cut short by the end of the file, or None),
blocks_decoded (blocks decoded so far).

rec.read(start, stop) or rec[start:stop] give the records as a numpy array of RECORD_DTYPE;
iterating gives one array per block. A Recording is a context manager; close() releases the file.)";

constexpr const char* kReadDoc = R"(read(start=0, stop=None, progress=None) -> numpy.ndarray

Records start .. stop-1 as a structured array of RECORD_DTYPE (fields lead_byte, second_byte,
first_word, second_word), the same bytes as numpy.fromfile of the restored data area. start and
stop follow slice rules (negative values count from the end, stop is clipped to record_count), but
reading past the records of a .kvox whose last block is cut short raises DamagedError. Only the
blocks that hold the records are decoded, on several threads when there are several; the block
read last is kept, so reading on from where a read ended decodes nothing twice. progress: optional
callable(done_records, total_records) after each block. The GIL is released while decoding.)";

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

// One Recording shared by Python threads: the lock serialises them while the GIL is released.
class PyRecording {
  public:
    PyRecording(const std::string& path, const std::optional<std::string>& kind, unsigned threads)
        : fRecording(std::make_unique<Recording>(Recording::Open(path, KindOf(kind)))),
          fDtype(RecordDtype()) {
        fRecording->setThreads(threads);
    }

    // Runs use(recording) with the lock and the GIL held, so that no read runs meanwhile and
    // close() cannot pull the Recording away. The GIL is let go while waiting for the lock: a
    // read holding it may need the GIL for its progress callback.
    template <class Use>
    auto with(Use&& use) {
        std::unique_lock<std::mutex> lock;
        {
            const py::gil_scoped_release released;
            lock = std::unique_lock(fMutex);
        }
        return use(open());
    }

    void close() {
        with([this](Recording&) {
            fRecording.reset();
            return 0;
        });
    }

    py::array read(std::int64_t start, const std::optional<std::int64_t>& stop,
                   const py::object& progress) {
        const auto [first, end] = with([&](const Recording& recording) {
            const auto total = static_cast<std::int64_t>(recording.recordCount());
            if (recording.cutShortBlock() && (!stop || *stop > total)) {
                throw DamagedBlockError(recording.path(), *recording.cutShortBlock(),
                                        BlockDamage::CutShort);
            }
            const std::int64_t from = Clip(start, total);
            return std::pair(from, std::max(from, stop ? Clip(*stop, total) : total));
        });
        return readRecords(static_cast<std::uint64_t>(first),
                           static_cast<std::uint64_t>(end - first), progress);
    }

    py::array readRecords(std::uint64_t first, std::uint64_t count, const py::object& progress) {
        py::array records(fDtype, std::vector<py::ssize_t>{static_cast<py::ssize_t>(count)});
        auto* out = static_cast<std::uint8_t*>(records.mutable_data());
        const auto callback = ProgressCallback(progress);
        const py::gil_scoped_release released;
        const std::lock_guard lock(fMutex);
        open().read(first, count, out, callback);
        return records;
    }

    const py::dtype& dtype() const { return fDtype; }

  private:
    Recording& open() const {
        if (!fRecording) {
            throw ConvertError(ConvertError::Kind::Refused, "Файл закрыт");
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
        throw py::value_error("kind must be 'kvo' or 'kvox', not '" + *kind + "'");
    }

    // Slice rules: negative counts from the end, then clipped to 0 .. total.
    static std::int64_t Clip(std::int64_t index, std::int64_t total) {
        return std::clamp(index < 0 ? index + total : index, std::int64_t{0}, total);
    }

    std::unique_ptr<Recording> fRecording;
    py::dtype fDtype;
    std::mutex fMutex;
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
            if (const auto cutShort = recording.cutShortBlock()) {
                throw DamagedBlockError(recording.path(), *cutShort, BlockDamage::CutShort);
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
        .def_property_readonly("path", Field([](const Recording& r) { return r.path(); }))
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
        .def_property_readonly("cut_short_block",
                               Field([](const Recording& r) { return OrNone(r.cutShortBlock()); }))
        .def_property_readonly("blocks_decoded",
                               Field([](const Recording& r) { return r.blocksDecoded(); }))
        .def_property_readonly("dtype", &PyRecording::dtype, "RECORD_DTYPE.")
        .def("read", &PyRecording::read, py::arg("start") = 0, py::arg("stop") = py::none(),
             py::arg("progress") = py::none(), kReadDoc)
        .def(
            "__getitem__",
            [](PyRecording& r, const py::slice& slice) {
                if (!slice.attr("step").is_none() && slice.attr("step").cast<py::ssize_t>() != 1) {
                    throw py::value_error("only slices with step 1 are read");
                }
                const auto bound = [](const py::object& value) {
                    return value.is_none()
                               ? std::nullopt
                               : std::optional<std::int64_t>(value.cast<std::int64_t>());
                };
                return r.read(bound(slice.attr("start")).value_or(0), bound(slice.attr("stop")),
                              py::none());
            },
            "rec[start:stop] is rec.read(start, stop).")
        .def("__len__", Field([](const Recording& r) { return r.recordCount(); }))
        .def(
            "__iter__",
            [](py::object self) { return BlockIterator(self, self.cast<PyRecording&>()); },
            "One array per block, in file order; one block is decoded at a time.")
        .def("close", &PyRecording::close, "Releases the file; the Recording can no longer read.")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](PyRecording& r, const py::args&) { r.close(); });

    module.def(
        "open",
        [](const std::string& path, const std::optional<std::string>& kind, unsigned threads) {
            return std::make_unique<PyRecording>(path, kind, threads);
        },
        py::arg("path"), py::arg("kind") = py::none(), py::arg("threads") = 0, kOpenDoc);
}

}  // namespace kvo::python

// The extension kvocodec._kvocodec: read recordings (.kvo) and compressed files (.kvox) into numpy,
// and compress or restore files exactly as kvox does.

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <memory>

#include "python/bindings.h"
#include "python/fileconvert.h"

namespace py = pybind11;

namespace kvo::python {
namespace {

using Path = std::filesystem::path;

constexpr const char* kModuleDoc =
    "The compiled part of the kvocodec package; import kvocodec, which documents the API.";

constexpr const char* kCompressDoc =
    R"(compress(src, dst, block_size=None, *, overwrite=False, threads=0, progress=None) -> dict

Compresses the recording src into the compressed file dst, as `kvox src -o dst` does. Paths are
str, bytes or os.PathLike.

block_size: bytes of records per block (a multiple of 6, at least 72), as kvox -b; None cuts the
data area as kvox does by default (blocks of at most 64 MiB carrying every whole record).
overwrite: replace an existing dst (kvox -f); otherwise an existing dst is refused. A checksum
file dst.sha256 already beside dst is rewritten for the new file, in the same commit; without
overwrite it is refused like dst.
threads: blocks coded at a time, 0 for every core; the output is the same for any count.
progress: optional callable(done_bytes, total_bytes) called with the source position after each
block and inside a large block in steps of at most 1%; an exception it raises ends the run and
leaves no output.
Returns a dict: blocks, bytes_read, bytes_written, dropped_bytes (a trailing partial record, not
carried), no_data (the recording held no records). The GIL is released while coding.)";

constexpr const char* kRestoreDoc =
    R"(restore(src, dst, *, overwrite=False, threads=0, progress=None) -> dict

Restores the compressed file src into the recording dst, as `kvox src -o dst` does. The first block
that is damaged or cut short raises DamagedError naming it and leaves no output. With a checksum
file src.sha256 beside it, src is hashed as it is read, and a digest that differs raises
DamagedError (kind 'checksum', block None) and leaves no output. Arguments and the returned dict
as for compress(). The GIL is released while decoding.)";

py::dict ReportDict(const ConvertReport& report) {
    py::dict result;
    result["blocks"] = report.blocks;
    result["bytes_read"] = report.bytesRead;
    result["bytes_written"] = report.bytesWritten;
    result["dropped_bytes"] = report.droppedBytes;
    result["no_data"] = report.noData;
    return result;
}

py::dict Convert(ConversionRequest request, const py::object& progress) {
    const auto callback = ProgressCallback(progress);
    if (callback) {
        std::error_code unknown;  // a missing source is refused below, in the module's words
        const std::uintmax_t size = std::filesystem::file_size(request.source, unknown);
        const std::uint64_t total = unknown ? 0 : size;
        request.progress = [callback, total](std::uint64_t at) { callback(at, total); };
    }
    ConvertReport report;
    {
        const py::gil_scoped_release released;
        report = RunConversion(request);
    }
    return ReportDict(report);
}

}  // namespace

std::function<void(std::uint64_t, std::uint64_t)> ProgressCallback(const py::object& callable) {
    if (callable.is_none()) {
        return {};
    }
    // The callable is copied into a shared holder so that it is only ever released with the GIL.
    auto held = std::shared_ptr<py::object>(new py::object(callable), [](py::object* object) {
        const py::gil_scoped_acquire acquired;
        delete object;
    });
    return [held](std::uint64_t done, std::uint64_t total) {
        const py::gil_scoped_acquire acquired;
        (*held)(done, total);
    };
}

void BindConversions(py::module_& module) {
    module.def(
        "compress",
        [](const Path& src, const Path& dst, std::optional<std::uint64_t> blockSize, bool overwrite,
           unsigned threads, const py::object& progress) {
            return Convert({Direction::Compress,
                            src.string(),
                            dst.string(),
                            blockSize,
                            overwrite,
                            threads,
                            {}},
                           progress);
        },
        py::arg("src"), py::arg("dst"), py::arg("block_size") = py::none(), py::kw_only(),
        py::arg("overwrite") = false, py::arg("threads") = 0, py::arg("progress") = py::none(),
        kCompressDoc);
    module.def(
        "restore",
        [](const Path& src, const Path& dst, bool overwrite, unsigned threads,
           const py::object& progress) {
            return Convert({Direction::Restore,
                            src.string(),
                            dst.string(),
                            std::nullopt,
                            overwrite,
                            threads,
                            {}},
                           progress);
        },
        py::arg("src"), py::arg("dst"), py::kw_only(), py::arg("overwrite") = false,
        py::arg("threads") = 0, py::arg("progress") = py::none(), kRestoreDoc);
}

}  // namespace kvo::python

PYBIND11_MODULE(_kvocodec, module) {
    // The texts start with the Python signatures themselves.
    py::options options;
    options.disable_function_signatures();
    module.doc() = kvo::python::kModuleDoc;
    module.attr("__version__") = KVO_VERSION;
    kvo::python::BindErrors(module);
    kvo::python::BindRecording(module);
    kvo::python::BindConversions(module);
}

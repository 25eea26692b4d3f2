#pragma once
// The parts of the kvocodec module, each adding its names to it.

#include <pybind11/pybind11.h>

#include <string>

namespace kvo::python {

// kvocodec.Error, kvocodec.DamagedError and the translation of the C++ errors into them.
void BindErrors(pybind11::module_& module);
// kvocodec.open and the Recording type.
void BindRecording(pybind11::module_& module);
// kvocodec.compress and kvocodec.restore.
void BindConversions(pybind11::module_& module);

// A file name or a message holding one as Python text: bytes that are not UTF-8 are escaped as
// os.fsdecode escapes them.
pybind11::str FileText(const std::string& text);

// Wraps an optional Python callable(done, total) for calls from C++ without the GIL held.
std::function<void(std::uint64_t, std::uint64_t)> ProgressCallback(
    const pybind11::object& callable);

}  // namespace kvo::python

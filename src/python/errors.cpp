#include "convert/converterror.h"
#include "platform/filestream.h"
#include "python/bindings.h"

namespace py = pybind11;

namespace kvo::python {
namespace {

// Owned by the module for the life of the interpreter.
PyObject* gError = nullptr;
PyObject* gDamagedError = nullptr;

const char* KindName(ConvertError::Kind kind) {
    switch (kind) {
        case ConvertError::Kind::Refused:
            return "refused";
        case ConvertError::Kind::Damaged:
            return "damaged";
        case ConvertError::Kind::Verification:
            return "verification";
        case ConvertError::Kind::ChecksumMismatch:
            return "checksum";
        case ConvertError::Kind::Io:
            break;
    }
    return "io";
}

void Raise(PyObject* type, const std::string& message, const char* kind, const py::object& block) {
    const py::object error = py::reinterpret_borrow<py::object>(type)(FileText(message));
    error.attr("kind") = kind;
    error.attr("block") = block;
    PyErr_SetObject(type, error.ptr());
}

// OSError(errno, ...) makes the subclass that matches errno: FileNotFoundError, PermissionError...
void RaiseOsError(const std::string& message, const ConvertError::SystemCause& cause) {
    const py::object error = py::reinterpret_borrow<py::object>(PyExc_OSError)(
        cause.errorCode, FileText(message),
        cause.path.empty() ? py::object(py::none()) : py::object(FileText(cause.path)));
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
}

void Translate(std::exception_ptr thrown) {
    try {
        std::rethrow_exception(thrown);
    } catch (const ConvertError& error) {
        if (error.systemCause().errorCode != 0) {
            RaiseOsError(error.what(), error.systemCause());
            return;
        }
        const bool block = error.kind() == ConvertError::Kind::Damaged;
        const bool damaged = block || error.kind() == ConvertError::Kind::ChecksumMismatch;
        Raise(damaged ? gDamagedError : gError, error.what(), KindName(error.kind()),
              block ? py::object(py::int_(error.blockIndex())) : py::object(py::none()));
    } catch (const FileError& error) {
        if (error.errorCode() != 0) {
            RaiseOsError(error.what(), {error.errorCode(), error.path()});
            return;
        }
        Raise(gError, error.what(), "io", py::none());
    }
}

}  // namespace

py::str FileText(const std::string& text) {
    // File names need not be UTF-8: their bytes come back as os.fsdecode gives them.
    return py::reinterpret_steal<py::str>(
        PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

void BindErrors(py::module_& module) {
    gError = PyErr_NewExceptionWithDoc(
        "kvocodec.Error",
        "A file could not be read or converted: refused, damaged or cut short. A ValueError, as\n"
        "the data is what is wrong; a file that cannot be opened, read or written raises the\n"
        "matching OSError instead. str() is the message shown to users; `kind` is 'refused',\n"
        "'damaged', 'checksum', 'verification' or 'io'; `block` is the damaged block's index (from\n"
        "0) or None.",
        PyExc_ValueError, nullptr);
    gDamagedError = PyErr_NewExceptionWithDoc(
        "kvocodec.DamagedError",
        "A compressed block does not restore or is cut short by the end of the file; `block` is\n"
        "its index in Recording.blocks (the message counts from 1). Also a compressed file that\n"
        "differs from its checksum file NAME.sha256 (`kind` 'checksum', `block` None).",
        gError, nullptr);
    if (gError == nullptr || gDamagedError == nullptr) {
        throw py::error_already_set();
    }
    module.add_object("Error", py::handle(gError));
    module.add_object("DamagedError", py::handle(gDamagedError));
    py::register_exception_translator(&Translate);
}

}  // namespace kvo::python

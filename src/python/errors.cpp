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
        case ConvertError::Kind::Io:
            break;
    }
    return "io";
}

void Raise(PyObject* type, const char* message, const char* kind, const py::object& block) {
    const py::object error = py::reinterpret_borrow<py::object>(type)(message);
    error.attr("kind") = kind;
    error.attr("block") = block;
    PyErr_SetObject(type, error.ptr());
}

void Translate(std::exception_ptr thrown) {
    try {
        std::rethrow_exception(thrown);
    } catch (const ConvertError& error) {
        const bool damaged = error.kind() == ConvertError::Kind::Damaged;
        Raise(damaged ? gDamagedError : gError, error.what(), KindName(error.kind()),
              damaged ? py::object(py::int_(error.blockIndex())) : py::object(py::none()));
    } catch (const FileError& error) {
        Raise(gError, error.what(), "io", py::none());
    }
}

}  // namespace

void BindErrors(py::module_& module) {
    gError = PyErr_NewExceptionWithDoc(
        "kvocodec.Error",
        "A file could not be read, written or converted. str() is the message shown to users;\n"
        "`kind` is 'refused', 'damaged' or 'io'; `block` is the damaged block's index (from 0)\n"
        "or None.",
        PyExc_Exception, nullptr);
    gDamagedError = PyErr_NewExceptionWithDoc(
        "kvocodec.DamagedError",
        "A compressed block does not restore or is cut short by the end of the file; `block` is\n"
        "its index in Recording.blocks (the message counts from 1).",
        gError, nullptr);
    if (gError == nullptr || gDamagedError == nullptr) {
        throw py::error_already_set();
    }
    module.add_object("Error", py::handle(gError));
    module.add_object("DamagedError", py::handle(gDamagedError));
    py::register_exception_translator(&Translate);
}

}  // namespace kvo::python

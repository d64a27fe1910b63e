#include "python_errors.h"

#include <pybind11/eval.h>

#include "cli/text_values.h"
#include "document/node_fields.h"

namespace kelto::python {

namespace {

constexpr const char* kErrorClass = R"(
class Error(Exception):
    """A failure of a Kelto operation: `message` is the program's own text (what the
    application shows in its message box and kelto-cli prints), `number` its message number
    (-3 for a request written wrongly, -2 for a library's own message)."""

    def __init__(self, message, number=0):
        super().__init__(message)
        self.message = message
        self.number = number


class Warning(UserWarning):
    """What an operation that succeeded wants known (characters a font lacks, pictures a model
    import left out)."""
)";

py::object ModuleAttribute(const char* name) {
    return py::module_::import("kelto").attr(name);
}

// Message texts are UTF-8 where the program writes them and Latin-1 where they quote a name.
py::str TextToPython(const std::string& text) {
    PyObject* decoded =
        PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr);
    if (decoded == nullptr) {
        PyErr_Clear();
        return Latin1ToPython(text);
    }
    return py::reinterpret_steal<py::str>(decoded);
}

}  // namespace

void DefineError(py::module_& module) {
    py::dict scope;
    scope["__builtins__"] = py::module_::import("builtins");
    scope["__name__"] = "kelto";
    py::exec(kErrorClass, scope);
    module.attr("Error") = scope["Error"];
    module.attr("Warning") = scope["Warning"];
}

void Raise(const Status& status) {
    const py::object type = ModuleAttribute("Error");
    const py::object error = type(TextToPython(status.text), status.number);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

void RaiseUsage(std::string text) {
    Raise(Status::Usage(std::move(text)));
}

void Warn(std::span<const Status> warnings) {
    if (warnings.empty()) {
        return;
    }
    const py::object category = ModuleAttribute("Warning");
    const py::object warn = py::module_::import("warnings").attr("warn");
    for (const Status& warning : warnings) {
        warn(TextToPython(warning.text), category, 2);
    }
}

py::str Latin1ToPython(std::string_view latin1) {
    const std::string utf8 = cli::Latin1ToUtf8(latin1);
    return py::str(utf8);
}

std::string NameFromPython(const std::string& utf8) {
    return Take(NameFromUtf8(utf8));
}

}  // namespace kelto::python

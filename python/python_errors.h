// Where the libraries' statuses become Python exceptions: kelto.Error carries a status's text
// and number; the texts and names of the scene (Latin-1 bytes) become Python strings.
#pragma once

#include <pybind11/pybind11.h>

#include <span>
#include <string>
#include <string_view>

#include "model/status.h"

namespace kelto::python {

namespace py = pybind11;

// Defines kelto.Error in the module.
void DefineError(py::module_& module);

// Raises kelto.Error with the status's text and number.
[[noreturn]] void Raise(const Status& status);
// Raises kelto.Error for a request the script wrote wrongly (number Status::kUsage).
[[noreturn]] void RaiseUsage(std::string text);
inline void Check(const Status& status) {
    if (!status.ok()) {
        Raise(status);
    }
}
template <typename T>
T Take(Result<T> result) {
    if (!result.ok()) {
        Raise(result.status());
    }
    return std::move(result.value());
}

// Gives each status as a Python warning (kelto.Warning, a UserWarning).
void Warn(std::span<const Status> warnings);

// A Latin-1 name or text of the scene as a Python string, and a Python string as the Latin-1
// bytes the scene keeps (refused with the program's message beyond Latin-1).
py::str Latin1ToPython(std::string_view latin1);
std::string NameFromPython(const std::string& utf8);

}  // namespace kelto::python

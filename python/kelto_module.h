// The whole of the module `kelto`: what the extension module and the application's built-in
// module define, so that both are one implementation.
#pragma once

#include <pybind11/pybind11.h>

namespace kelto::python {

void DefineModule(pybind11::module_& module);

}  // namespace kelto::python

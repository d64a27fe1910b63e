// The Python module `kelto` as an extension module for the system's Python 3.
#include "kelto_module.h"

PYBIND11_MODULE(kelto, module) {
    kelto::python::DefineModule(module);
}

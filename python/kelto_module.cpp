// The module `kelto`: Kelto's documents, their objects and renders for scripts.
#include "kelto_module.h"

#include "python_document.h"
#include "python_errors.h"

namespace kelto::python {

void DefineModule(py::module_& module) {
    module.doc() =
        "Kelto's scenes from Python: the same document core as the application and kelto-cli.\n"
        "\n"
        "    import kelto\n"
        "    doc = kelto.new()\n"
        "    ball = doc.add('sphere', (0, 0))          # on the floor at x=0, z=0\n"
        "    ball.material.colour = (1, 0.2, 0.2)\n"
        "    doc.add_light('point', (0, 8, 4))\n"
        "    doc.save('ball.kel')\n"
        "    doc.render('ball.png', size=(320, 240), quality='production', seed=1)\n"
        "\n"
        "kelto.new() and kelto.open(path) give a Document; its objects (kelto.Object), lights "
        "(kelto.Light) and materials (kelto.Material) change the scene only through its "
        "operations, each one step of the history (doc.undo(), doc.redo()). Failures raise "
        "kelto.Error with the program's message (e.message) and number (e.number). In a script "
        "the application runs (File > Run Script...), kelto.active_document() and the global "
        "`doc` are the document of the active window.";
    DefineError(module);
    BindObjects(module);
    BindDocument(module);
}

}  // namespace kelto::python

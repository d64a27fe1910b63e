// The application's document lent to a script it runs: while a LentDocument lives,
// kelto.active_document() gives a kelto.Document of that DocumentCore; its end detaches
// that Document, so that every handle a script kept (in another module, say) raises
// kelto.Error from then on instead of reaching the application's scene. Made and ended with
// Python's lock held, on the thread that runs the script: the only one the document answers.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "python_document.h"

namespace kelto::python {

// Where the module keeps the lent kelto.Document while a script runs.
inline constexpr char kLentDocumentAttribute[] = "_active_document";

class LentDocument {
  public:
    // `path`: the scene's file, or empty for one not saved yet.
    LentDocument(DocumentCore& core, const std::string& path);
    ~LentDocument();
    LentDocument(const LentDocument&) = delete;
    LentDocument& operator=(const LentDocument&) = delete;

    // The kelto.Document the script sees.
    const py::object& Handle() const { return handle_; }

  private:
    DocumentRef document_;
    py::object handle_;
};

}  // namespace kelto::python

// The module's documents and the handles scripts hold: a Document owns its DocumentCore through
// a shared state that every object, light and material of it keeps alive, so that none of
// them outlives the core it names; closing the document ends the core, and each handle
// (a NodeId or LightId) is looked up again at every use, so a handle of a closed document or
// of a deleted object raises kelto.Error instead of reaching freed memory. A document the
// application lends to a script (LentDocument) is borrowed instead: the application detaches
// it when the script ends, and every handle of it raises from then on.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "document/document_core.h"

namespace kelto::python {

namespace py = pybind11;

struct OpenDocument {
    // A new scene of the module's own.
    OpenDocument() = default;
    // The application's scene, used only from `thread` (the window's) and never closed here.
    OpenDocument(DocumentCore& lent, std::string file, std::thread::id thread)
        : owned(nullptr), core(&lent), path(std::move(file)), lender_thread(thread) {}

    std::unique_ptr<DocumentCore> owned = std::make_unique<DocumentCore>();
    DocumentCore* core = owned.get();  // the scene while open: `owned`, or a lent one
    std::string path;                  // the file last opened or saved; empty for a new scene
    std::optional<std::thread::id> lender_thread;  // set for a lent scene
    // The open batches (Document.batch), innermost last; they end before the core does.
    std::vector<std::unique_ptr<DocumentCore::EditScope>> batches;

    bool Lent() const { return lender_thread.has_value(); }
    // Ends the batches, then lets go of the core (ending it when it is the document's own).
    void Close() {
        batches.clear();
        core = nullptr;
        owned.reset();
    }

    // The core, or kelto.Error once the document is closed (or, for a lent one, on another
    // thread than the application's).
    DocumentCore& Core();
    // The core, or nullptr once the document is closed: for questions that a closed document
    // answers too (exists, repr). A lent one still raises on another thread.
    DocumentCore* OpenCore();
};
using DocumentRef = std::shared_ptr<OpenDocument>;

// An object of the scene: a node at any depth.
struct ObjectHandle {
    DocumentRef document;
    NodeId id;
    // The node, or kelto.Error when it is gone (deleted, undone, or the document closed).
    const SceneNode& Node() const;
};

struct LightHandle {
    DocumentRef document;
    LightId id;
    const Light& Get() const;
};

// An object's material, read and written through the object.
struct MaterialHandle {
    ObjectHandle object;
};

// The Python side of one document: what kelto.new() and kelto.open() return.
struct DocumentHandle {
    DocumentRef document;
};

py::object WrapNode(const DocumentRef& document, NodeId id);
py::object WrapLight(const DocumentRef& document, LightId id);

void BindDocument(py::module_& module);
void BindObjects(py::module_& module);
void BindRender(py::module_& module, py::class_<DocumentHandle>& document);

}  // namespace kelto::python

#include "lent_document.h"

namespace kelto::python {

LentDocument::LentDocument(DocumentCore& core, const std::string& path)
    : document_(std::make_shared<OpenDocument>(core, path, std::this_thread::get_id())) {
    // Imported first: the module registers the Document type the handle is made of.
    const py::module_ module = py::module_::import("kelto");
    handle_ = py::cast(DocumentHandle{document_});
    module.attr(kLentDocumentAttribute) = handle_;
}

LentDocument::~LentDocument() {
    document_->Close();
    try {
        const py::module_ module = py::module_::import("kelto");
        if (py::hasattr(module, kLentDocumentAttribute)) {
            py::delattr(module, kLentDocumentAttribute);
        }
    } catch (const py::error_already_set&) {
        // The Document is detached already; a module the script took apart keeps it, harmless.
    }
}

}  // namespace kelto::python

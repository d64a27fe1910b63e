// The modelling windows' cameras of a document as an export writes them (glTF keeps cameras).
#pragma once

#include <vector>

#include "document_core.h"
#include "files/scene_export.h"

namespace kelto {

inline std::vector<ExportCamera> ExportCamerasOf(const DocumentCore& document) {
    std::vector<ExportCamera> cameras;
    for (std::size_t i = 0; i < document.Views().size(); ++i) {
        const ViewEntry& view = document.Views()[i];
        cameras.push_back(
            {document.ViewName(i), view.eye, view.target, static_cast<double>(view.lens)});
    }
    return cameras;
}

}  // namespace kelto

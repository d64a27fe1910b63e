// Fuzz target: any bytes opened as a scene file. The reader must fail cleanly (and leave an
// empty document) or succeed with a scene that can be walked and saved again, and pasted
// into a document and undone. The same bytes read as an autosave give a header and a scene
// within them, or the corrupt-file message.
#include <cstddef>
#include <cstdint>
#include <span>

#include "document/document_core.h"
#include "files/autosave_files.h"
#include "model/child_list.h"

namespace {

std::size_t CountTree(const kelto::SceneNode& parent) {
    std::size_t count = 0;
    for (const kelto::SceneNode* child : kelto::Children(parent))
        count += 1 + CountTree(*child);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto autosave = kelto::ReadAutosaveBytes(std::span(data, size), "fuzz.kelauto");
    if (autosave.ok() ? autosave->scene.data() + autosave->scene.size() != data + size
                      : autosave.status().number != kelto::kMsgSceneCorrupt)
        __builtin_trap();
    kelto::DocumentCore document;
    const kelto::Status status = document.OpenFromBytes(std::span(data, size), "fuzz.kel");
    const kelto::Scene& scene = document.GetScene();
    if (!status.ok()) {
        // Nothing of a failed file stays behind.
        if (scene.NodeCount() != 1 || scene.Lights().size() != 1)
            __builtin_trap();
        return 0;
    }
    // A scene that loaded is a proper tree, and it saves and loads back to the same bytes.
    if (CountTree(scene.Root()) >= scene.NodeCount())
        __builtin_trap();
    const std::vector<std::uint8_t> saved = document.SaveToBytes();
    kelto::DocumentCore again;
    if (!again.OpenFromBytes(saved, "again.kel").ok() || again.SaveToBytes() != saved)
        __builtin_trap();
    // Pasted into a document holding the same objects, the bytes add theirs under free names
    // (or are refused whole when the two together would be too finely tessellated to open);
    // the result saves and loads, undo takes the paste back exactly and redo does it again.
    const kelto::Result<std::vector<kelto::NodeId>> pasted = again.Paste(std::span(data, size));
    if (!pasted.ok()) {
        if (pasted.status().number != kelto::kMsgPasteTooFine || again.SaveToBytes() != saved ||
            again.CanUndo())
            __builtin_trap();
        return 0;
    }
    const std::vector<std::uint8_t> with_paste = again.SaveToBytes();
    kelto::DocumentCore reopened;
    if (!reopened.OpenFromBytes(with_paste, "pasted.kel").ok() ||
        reopened.SaveToBytes() != with_paste)
        __builtin_trap();
    if (!again.Undo().ok() || again.SaveToBytes() != saved)
        __builtin_trap();
    if (!pasted->empty() && (!again.Redo().ok() || again.SaveToBytes() != with_paste))
        __builtin_trap();
    return 0;
}

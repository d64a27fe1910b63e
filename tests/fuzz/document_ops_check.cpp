#include "document_ops_check.h"

#include <algorithm>
#include <string>

#include "../files/three_ds_writer.h"
#include "document/document_core.h"
#include "model/child_list.h"

namespace kelto {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Operations beyond these are left out: each costs a save and an open.
constexpr std::size_t kMostOperations = 32;

// A save opens again and saves to the same bytes.
Bytes CheckReopens(const DocumentCore& document) {
    Bytes saved = document.SaveToBytes();
    DocumentCore again;
    if (!again.OpenFromBytes(saved, "saved.kel").ok() || again.SaveToBytes() != saved)
        __builtin_trap();
    return saved;
}

// The node an argument picks, in tree order; none in an empty scene.
const SceneNode* Pick(const DocumentCore& document, int argument) {
    const std::vector<SceneNode*> nodes = SubtreeOf(document.GetScene().Root());
    if (nodes.size() < 2)
        return nullptr;
    return nodes[1 + static_cast<std::size_t>(argument) % (nodes.size() - 1)];
}

std::string NameFor(int argument) {
    switch (argument % 4) {
        case 0:
            return "N" + std::to_string(argument);
        case 1:
            return "Caf\xE9";  // Latin-1, as names are stored
        case 2:
            return std::string(24, 'L');
        default:
            return "Sphere1";  // often taken
    }
}

// Applies one operation; false when it was refused.
bool Apply(DocumentCore& document, std::uint8_t code, std::span<const std::uint8_t> input) {
    const int argument = code >> 4;
    const NodeId picked = [&] {
        const SceneNode* node = Pick(document, argument);
        return node ? node->id : NodeId{};
    }();
    switch (static_cast<FuzzOperation>(code & 15)) {
        case FuzzOperation::PasteInput:
            return document.Paste(input).ok();
        case FuzzOperation::PasteCopy:
            return document.Paste(document.CopySelection()).ok();
        case FuzzOperation::Combine:
            return document.Combine().ok();
        case FuzzOperation::Trim:
            return document.Trim().ok();
        case FuzzOperation::Intersect:
            return document.Intersect().ok();
        case FuzzOperation::Import3ds:
            return document
                .Import3dsBytes(testing_3ds::Make3ds({testing_3ds::Tetrahedron("T")}, 1.5f),
                                "t.3ds")
                .ok();
        case FuzzOperation::Rename:
            return !picked || document.Rename(picked, NameFor(argument)).ok();
        case FuzzOperation::Undo:
            return document.Undo().ok();
        case FuzzOperation::Redo:
            return document.Redo().ok();
        case FuzzOperation::Delete:
            document.DeleteSelection();
            return true;
        case FuzzOperation::Group:
            document.Group();
            return true;
        case FuzzOperation::Select:
            if (const SceneNode* node = Pick(document, argument & 7))
                document.SelectNode(node->id, (argument & 8) != 0);
            return true;
        case FuzzOperation::Insert:
            document.InsertObject(kPrimitiveTypes[argument & 7], {argument * 2.0, 0, 0}, false);
            return true;
        case FuzzOperation::Cut:
            document.CutSelection();
            return true;
        case FuzzOperation::Ungroup:
            return !picked || document.Ungroup(picked).ok();
        case FuzzOperation::PlainMaterial:
            if (!picked)
                return true;
            return document.SetMaterial(picked, Material{}).ok();
    }
    return true;
}

}  // namespace

void CheckDocumentOperations(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    DocumentCore document;
    if (!document.OpenFromBytes(input, "fuzz.kel").ok())
        return;
    Bytes saved = CheckReopens(document);
    const std::size_t count = size == 0 ? 0 : std::min<std::size_t>(data[size - 1], size - 1);
    const std::span<const std::uint8_t> operations =
        input.subspan(size - 1 - count, std::min(count, kMostOperations));
    for (std::uint8_t code : operations) {
        const bool done = Apply(document, code, input);
        Bytes now = CheckReopens(document);
        if (!done && now != saved)
            __builtin_trap();  // a refused operation changes nothing
        saved = std::move(now);
    }
}

std::vector<std::uint8_t> WithOperations(std::vector<std::uint8_t> scene,
                                         std::span<const std::uint8_t> operations) {
    scene.insert(scene.end(), operations.begin(), operations.end());
    scene.push_back(static_cast<std::uint8_t>(operations.size()));
    return scene;
}

}  // namespace kelto

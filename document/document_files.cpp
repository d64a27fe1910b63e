// Saving and opening the document: the scene file followed by the view trailer. Copy and
// Paste move objects as the same bytes.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <unordered_set>

#include "document_core.h"
#include "document_operation.h"
#include "files/byte_stream.h"
#include "files/file_io.h"
#include "files/scene_file.h"
#include "files/tessellation_limit.h"
#include "history.h"
#include "model/child_list.h"
#include "modelling/text_shape.h"

namespace kelto {
namespace {

constexpr std::uint8_t kViewTag = 0xBF;
constexpr std::uint8_t kEndTag = 0;

void WriteViews(ByteWriter& out, const std::vector<ViewEntry>& views) {
    for (const ViewEntry& view : views) {
        out.U8(kViewTag);
        out.I32(view.lens);
        out.WriteVec3(view.direction);
        out.WriteVec3(view.eye);
        out.WriteVec3(view.target);
    }
    out.U8(kEndTag);
}

// The trailer ends with its end tag; a file that stops before it, holds anything else or a
// camera vector that is not finite, is damaged.
Status ReadViews(ByteReader& in, std::vector<ViewEntry>& views, const std::string& file_name) {
    for (;;) {
        const std::uint8_t tag = in.U8();
        if (in.Failed()) {
            return Status::Message(kMsgSceneCorrupt, {file_name});
        }
        if (tag == kEndTag) {
            return Status::Ok();
        }
        if (tag != kViewTag) {
            return Status::Message(kMsgSceneCorrupt, {file_name});
        }
        ViewEntry view;
        view.lens = in.I32();
        view.direction = in.ReadVec3();
        view.eye = in.ReadVec3();
        view.target = in.ReadVec3();
        auto finite = [](const Vec3& v) {
            return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
        };
        if (in.Failed() || !finite(view.direction) || !finite(view.eye) || !finite(view.target)) {
            return Status::Message(kMsgSceneCorrupt, {file_name});
        }
        views.push_back(view);
    }
}

}  // namespace

void DocumentCore::Clear() {
    Operation operation(*this);
    recording_.reset();
    recording_drag_ = false;
    history_->Clear();
    saved_state_ = history_->State();
    scene_.Reset();
    views_.clear();
    selection_ = {};
    ClearGrab();
    grabbed_ring_ = 0;
    drag_changed_ = false;
    pending_ = {};
    Notify(ChangeKind::SceneReplaced);
    if (modified_) {
        modified_ = false;
        Notify(ChangeKind::Modified);
    }
}

std::vector<std::uint8_t> DocumentCore::SaveToBytes() const {
    ByteWriter out;
    WriteScene(scene_, out);
    WriteViews(out, views_);
    return out.Take();
}

Status DocumentCore::Save(const std::string& path) {
    Operation operation(*this);
    if (ReplaceFileContents(path, SaveToBytes()) != FileWrite::Done) {
        return Status::Message(kMsgSceneSaveFailed, {path});
    }
    saved_state_ = history_->State();
    RefreshModified();
    return Status::Ok();
}

Status DocumentCore::Open(const std::string& path) {
    const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes.ok()) {
        return Status::Message(kMsgSceneOpenFailed, {path});
    }
    return OpenFromBytes(*bytes, path);
}

Status DocumentCore::OpenFromBytes(std::span<const std::uint8_t> bytes,
                                   const std::string& file_name) {
    Operation operation(*this);
    Clear();
    ByteReader in(bytes);
    Status status = ReadScene(in, scene_, file_name, [] { return std::make_unique<TextShape>(); });
    if (status.ok()) {
        status = ReadViews(in, views_, file_name);
    }
    if (!status.ok()) {
        Clear();
        return status;
    }
    selection_.selected_count = scene_.CountSelectedNodes();
    const SceneNode* first = scene_.FirstSelectedTopLevel();
    selection_.is_group =
        selection_.selected_count == 1 && first != nullptr && first->MarksGroupSelection();
    return Status::Ok();
}

// --- clipboard ---

namespace {

// What the reader's messages call the bytes of a paste.
constexpr char kClipboardName[] = "clipboard";

// A free name made from `name`: its letters with the first free number after them, within
// the stored length.
std::string FreeName(const std::string& name, const std::function<bool(const std::string&)>& used) {
    std::string base = name;
    while (!base.empty() && std::isdigit(static_cast<unsigned char>(base.back()))) {
        base.pop_back();
    }
    for (int i = 1;; ++i) {
        const std::string number = std::to_string(i);
        std::string candidate =
            base.substr(0, std::min(base.size(), kMaxStoredNameLength - number.size())) + number;
        if (!used(candidate)) {
            return candidate;
        }
    }
}

}  // namespace

std::vector<std::uint8_t> DocumentCore::CopySelection() const {
    std::vector<const SceneNode*> top_level;
    for (const SceneNode* node : Children(scene_.Root())) {
        if (node->selected) {
            top_level.push_back(node);
        }
    }
    if (top_level.empty()) {
        return {};
    }
    ByteWriter out;
    WriteSceneOf(scene_, top_level, out);
    WriteViews(out, {});
    return out.Take();
}

std::vector<std::uint8_t> DocumentCore::CutSelection() {
    std::vector<std::uint8_t> bytes = CopySelection();
    if (!bytes.empty()) {
        DeleteSelected("Cut");
    }
    return bytes;
}

Result<std::vector<NodeId>> DocumentCore::Paste(std::span<const std::uint8_t> bytes) {
    Operation operation(*this);
    Scene pasted;
    ByteReader in(bytes);
    std::vector<ViewEntry> views;
    Status status =
        ReadScene(in, pasted, kClipboardName, [] { return std::make_unique<TextShape>(); });
    if (status.ok()) {
        status = ReadViews(in, views, kClipboardName);
    }
    if (!status.ok()) {
        return status;
    }
    const std::vector<SceneNode*> top_level = ChildrenOf(pasted.Root());
    std::vector<NodeId> added;
    if (top_level.empty()) {
        return added;
    }
    // Each alone opens; together their surfaces might ask for more than a file may.
    if (!WithinTessellationLimit(TessellationExcess(scene_) + TessellationExcess(pasted))) {
        return Status::Message(kMsgPasteTooFine);
    }
    // Every pasted node, parents before their children, and the names they come with.
    std::vector<SceneNode*> incoming = SubtreeOf(pasted.Root());
    incoming.erase(incoming.begin());
    std::unordered_set<std::string> incoming_names, given;
    for (const SceneNode* node : incoming) {
        incoming_names.insert(node->name);
    }
    auto used = [&](const std::string& name) {
        return scene_.IsNameUsed(name) || incoming_names.contains(name) || given.contains(name);
    };

    EditStep& step = Record("Paste");
    step.TouchChildren(scene_.Root());
    scene_.ClearSelection();
    for (SceneNode* node : top_level) {
        UnlinkChild(pasted.Root(), *node);
    }
    for (SceneNode* node : incoming) {
        std::unique_ptr<SceneNode> owned = pasted.ReleaseNode(*node);
        if (scene_.IsNameUsed(owned->name) || given.contains(owned->name)) {
            owned->name = FreeName(owned->name, used);
        }
        given.insert(owned->name);
        owned->selected = 0;
        SceneNode* entered = *scene_.AdoptNode(std::move(owned));  // its name made free above
        step.Added(*entered);
        Notify(ChangeKind::NodeAdded, entered->id);
    }
    // At the head of the top level, in the order they came.
    for (std::size_t i = top_level.size(); i-- > 0;) {
        LinkChild(scene_.Root(), *top_level[i]);
        top_level[i]->selected = 1;
    }
    for (const SceneNode* node : top_level) {
        added.push_back(node->id);
    }
    selection_ = {};
    selection_.selected_count = static_cast<int>(top_level.size());
    selection_.is_group = top_level.size() == 1 && top_level.front()->MarksGroupSelection();
    Notify(ChangeKind::Selection);
    return added;
}

}  // namespace kelto

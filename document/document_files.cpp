// Saving and opening the document: the scene file followed by the view trailer.
#include <cmath>

#include "document_core.h"
#include "document_operation.h"
#include "files/byte_stream.h"
#include "files/file_io.h"
#include "files/scene_file.h"
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
    if (modified_) {
        modified_ = false;
        Notify(ChangeKind::Modified);
    }
    return Status::Ok();
}

Status DocumentCore::Open(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        return Status::Message(kMsgSceneOpenFailed, {path});
    }
    return OpenFromBytes(bytes, path);
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

}  // namespace kelto

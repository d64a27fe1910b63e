// Saving and opening the document: the scene file followed by the view trailer.
#include <cmath>

#include "document_core.h"
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

// A missing tag byte or a short lens ends the load without a message; a bad tag, a short
// vector or one that is not finite is corruption.
Status ReadViews(ByteReader& in, std::vector<ViewEntry>& views, const std::string& file_name) {
    for (;;) {
        const std::uint8_t tag = in.U8();
        if (in.Failed()) {
            return Status::Silent();
        }
        if (tag == kEndTag) {
            return Status::Ok();
        }
        if (tag != kViewTag) {
            return Status::Message(kMsgSceneCorrupt, FormatMessage(kMsgSceneCorrupt, file_name));
        }
        ViewEntry view;
        view.lens = in.I32();
        if (in.Failed()) {
            return Status::Silent();
        }
        view.direction = in.ReadVec3();
        view.eye = in.ReadVec3();
        view.target = in.ReadVec3();
        auto finite = [](const Vec3& v) {
            return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
        };
        if (in.Failed() || !finite(view.direction) || !finite(view.eye) || !finite(view.target)) {
            return Status::Message(kMsgSceneCorrupt, FormatMessage(kMsgSceneCorrupt, file_name));
        }
        views.push_back(view);
    }
}

}  // namespace

void DocumentCore::Clear() {
    scene_.Reset();
    views_.clear();
    selection_ = {};
    ClearGrab();
    grabbed_ring_ = 0;
    drag_changed_ = false;
    modified_ = false;
    Changed();
}

std::vector<std::uint8_t> DocumentCore::SaveToBytes() const {
    ByteWriter out;
    WriteScene(scene_, out);
    WriteViews(out, views_);
    return out.Take();
}

Status DocumentCore::Save(const std::string& path) {
    if (!ReplaceFileContents(path, SaveToBytes())) {
        return Status::Message(kMsgSceneSaveFailed, FormatMessage(kMsgSceneSaveFailed, path));
    }
    modified_ = false;
    return Status::Ok();
}

Status DocumentCore::Open(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        return Status::Message(kMsgSceneOpenFailed, FormatMessage(kMsgSceneOpenFailed, path));
    }
    return OpenFromBytes(bytes, path);
}

Status DocumentCore::OpenFromBytes(std::span<const std::uint8_t> bytes,
                                   const std::string& file_name) {
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
    modified_ = false;
    Changed();
    return Status::Ok();
}

}  // namespace kelto

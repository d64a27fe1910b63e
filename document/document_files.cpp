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
// After a view entry: the name the user gave that camera. Written only for renamed cameras,
// so that files without them stay as earlier Kelto builds write and read them.
constexpr std::uint8_t kViewNameTag = 0xC0;
// After the views: the scene's lighting settings, as an int32 byte count and that many bytes
// of fields (WriteLighting). Written only when they differ from a new scene's, so that other
// files stay as earlier Kelto builds write and read them.
constexpr std::uint8_t kLightingTag = 0xC1;
constexpr std::uint8_t kEndTag = 0;
// A saved scene goes to its file in stretches of about this many bytes.
constexpr std::size_t kSaveStretch = std::size_t{1} << 20;

void WriteColour(ByteWriter& out, const ColourRgb& c) {
    out.F32(c.r);
    out.F32(c.g);
    out.F32(c.b);
}

ColourRgb ReadColour(ByteReader& in) {
    ColourRgb c;
    c.r = in.F32();
    c.g = in.F32();
    c.b = in.F32();
    return c;
}

void WriteLighting(ByteWriter& out, const SceneLighting& lighting) {
    ByteWriter fields;
    fields.I32(lighting.soft_shadow_samples);
    fields.Flag(lighting.occlusion);
    fields.I32(lighting.occlusion_samples);
    fields.F32(lighting.occlusion_distance);
    fields.I32(static_cast<std::int32_t>(lighting.environment));
    WriteColour(fields, lighting.horizon);
    WriteColour(fields, lighting.zenith);
    fields.String(lighting.picture_path);
    fields.F32(lighting.picture_rotation);
    out.U8(kLightingTag);
    out.I32(static_cast<std::int32_t>(fields.Data().size()));
    out.Bytes(fields.Data());
}

// The record after its tag: its byte count must be exactly what its fields take, and the
// values must be ones a scene may hold.
bool ReadLighting(ByteReader& in, SceneLighting& lighting) {
    const std::int32_t length = in.I32();
    if (in.Failed() || length < 0 || static_cast<std::size_t>(length) > in.Remaining()) {
        return false;
    }
    ByteReader fields(in.Bytes(static_cast<std::size_t>(length)));
    SceneLighting read;
    read.soft_shadow_samples = fields.I32();
    read.occlusion = fields.Flag();
    read.occlusion_samples = fields.I32();
    read.occlusion_distance = fields.F32();
    read.environment = static_cast<EnvironmentKind>(fields.I32());
    read.horizon = ReadColour(fields);
    read.zenith = ReadColour(fields);
    read.picture_path = fields.String(SceneLighting::kMaxPicturePathLength);
    read.picture_rotation = fields.F32();
    if (fields.Failed() || fields.Remaining() != 0 || !CheckLighting(read).ok()) {
        return false;
    }
    lighting = std::move(read);
    return true;
}

void WriteViews(ByteWriter& out, const std::vector<ViewEntry>& views,
                const SceneLighting& lighting = {}) {
    for (const ViewEntry& view : views) {
        out.U8(kViewTag);
        out.I32(view.lens);
        out.WriteVec3(view.direction);
        out.WriteVec3(view.eye);
        out.WriteVec3(view.target);
        if (!view.name.empty()) {
            out.U8(kViewNameTag);
            out.String(view.name);
        }
    }
    if (!lighting.IsDefault()) {
        WriteLighting(out, lighting);
    }
    out.U8(kEndTag);
}

// The trailer ends with its end tag; a file that stops before it, holds anything else or a
// camera vector that is not finite, is damaged. The lighting record, when there is one, comes
// last before the end tag; `lighting` is set only from a whole record.
Status ReadViews(ByteReader& in, std::vector<ViewEntry>& views, SceneLighting& lighting,
                 const std::string& file_name) {
    for (;;) {
        const std::uint8_t tag = in.U8();
        if (in.Failed()) {
            return Status::Message(kMsgSceneCorrupt, {file_name});
        }
        if (tag == kEndTag) {
            return Status::Ok();
        }
        if (tag == kViewNameTag) {
            std::string name = in.String(kMaxStoredNameLength);
            if (in.Failed() || views.empty() || name.empty() || !views.back().name.empty()) {
                return Status::Message(kMsgSceneCorrupt, {file_name});
            }
            views.back().name = std::move(name);
            continue;
        }
        if (tag == kLightingTag) {
            if (!ReadLighting(in, lighting) || in.U8() != kEndTag || in.Failed()) {
                return Status::Message(kMsgSceneCorrupt, {file_name});
            }
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
    views_edited_ = false;
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

void DocumentCore::MarkUnsaved() {
    Operation operation(*this);
    saved_state_ = kNeverSavedState;
    RefreshModified();
}

std::vector<std::uint8_t> DocumentCore::SaveToBytes(std::size_t expected_size) const {
    return SaveToBytes(views_, expected_size);
}

std::vector<std::uint8_t> DocumentCore::SaveToBytes(const std::vector<ViewEntry>& views,
                                                    std::size_t expected_size) const {
    ByteWriter out;
    // Room for what is expected and some more: a scene that grew a little is not copied to
    // grow again.
    out.Reserve(expected_size);
    WriteScene(scene_, out);
    WriteViews(out, views, scene_.lighting);
    return out.Take();
}

Status DocumentCore::Save(const std::string& path) {
    Operation operation(*this);
    // Written a stretch at a time: a scene of large meshes is not held twice.
    const auto produce = [this](const ByteStretches& put) {
        ByteWriter out(put, kSaveStretch);
        WriteScene(scene_, out);
        WriteViews(out, views_, scene_.lighting);
        out.Flush();
    };
    if (ReplaceFileContents(path, produce) != FileWrite::Done) {
        return Status::Message(kMsgSceneSaveFailed, {path});
    }
    saved_state_ = history_->State();
    views_edited_ = false;
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
        status = ReadViews(in, views_, scene_.lighting, file_name);
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

Result<std::unique_ptr<Scene>> DocumentCore::ReadPastedObjects(
    std::span<const std::uint8_t> bytes) const {
    auto pasted = std::make_unique<Scene>();
    ByteReader in(bytes);
    std::vector<ViewEntry> views;
    SceneLighting lighting;  // pasted objects leave the scene's lighting as it is
    Status status =
        ReadScene(in, *pasted, kClipboardName, [] { return std::make_unique<TextShape>(); });
    if (status.ok()) {
        status = ReadViews(in, views, lighting, kClipboardName);
    }
    if (!status.ok()) {
        return status;
    }
    // Each alone opens; together their surfaces might ask for more than a file may.
    if (ChildCount(pasted->Root()) > 0 &&
        !WithinTessellationLimit(TessellationExcess(scene_) + TessellationExcess(*pasted))) {
        return Status::Message(kMsgPasteTooFine);
    }
    return pasted;
}

namespace {

// Whether two placements agree to the precision a scene file keeps.
bool SamePlace(const Matrix4& a, const Matrix4& b) {
    for (std::size_t i = 0; i < a.m.size(); ++i) {
        if (!(std::abs(a.m[i] - b.m[i]) <= 1e-5 * (1.0 + std::abs(a.m[i])))) {
            return false;
        }
    }
    return true;
}

}  // namespace

Vec3 DocumentCore::PasteOffset(const Scene& pasted, double step) const {
    // Enough tries to clear any pile of pastes a person makes.
    constexpr int kMostSteps = 1000;
    if (!(step > 0.0) || !std::isfinite(step)) {
        return {};
    }
    const std::vector<SceneNode*> existing = ChildrenOf(scene_.Root());
    auto covered = [&](const Vec3& offset) {
        for (const SceneNode* node : Children(pasted.Root())) {
            Matrix4 moved;
            moved.Translate(offset);
            moved.Multiply(node->parent_from_node);
            for (const SceneNode* other : existing) {
                if (other->type == node->type && SamePlace(other->parent_from_node, moved)) {
                    return true;
                }
            }
        }
        return false;
    };
    Vec3 offset;
    for (int i = 0; i < kMostSteps && covered(offset); ++i) {
        offset = offset + Vec3{step, 0.0, step};
    }
    return offset;
}

std::vector<NodeId> DocumentCore::AdoptPastedObjects(Scene& pasted, const Vec3& offset) {
    const std::vector<SceneNode*> top_level = ChildrenOf(pasted.Root());
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

    EditStep& step = *recording_;
    step.TouchChildren(scene_.Root());
    scene_.ClearSelection();
    for (SceneNode* node : top_level) {
        UnlinkChild(pasted.Root(), *node);
        if (offset != Vec3{}) {
            node->position = node->position + offset;
            node->ComputeParentFromNode();
        }
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
        scene_.AddToSelection(*top_level[i]);
    }
    std::vector<NodeId> added;
    for (const SceneNode* node : top_level) {
        added.push_back(node->id);
    }
    selection_ = {};
    selection_.selected_count = static_cast<int>(top_level.size());
    selection_.is_group = top_level.size() == 1 && top_level.front()->MarksGroupSelection();
    Notify(ChangeKind::Selection);
    return added;
}

Result<std::vector<NodeId>> DocumentCore::Paste(std::span<const std::uint8_t> bytes, double step) {
    Operation operation(*this);
    Result<std::unique_ptr<Scene>> pasted = ReadPastedObjects(bytes);
    if (!pasted.ok()) {
        return pasted.status();
    }
    if (ChildCount((*pasted)->Root()) == 0) {
        return std::vector<NodeId>{};
    }
    const Vec3 offset = PasteOffset(**pasted, step);
    Record("Paste");
    return AdoptPastedObjects(**pasted, offset);
}

Result<Duplicates> DocumentCore::Duplicate(double step) {
    Operation operation(*this);
    const std::vector<std::uint8_t> copied = CopySelection();
    std::vector<Light> lights;
    for (const Light& light : scene_.Lights()) {
        if (light.selected) {
            lights.push_back(light);
        }
    }
    Duplicates made;
    std::unique_ptr<Scene> objects;
    if (!copied.empty()) {
        Result<std::unique_ptr<Scene>> read = ReadPastedObjects(copied);
        if (!read.ok()) {
            return read.status();
        }
        objects = std::move(*read);
    }
    if (!objects && lights.empty()) {
        return made;
    }
    const Vec3 offset = std::isfinite(step) ? Vec3{step, 0.0, step} : Vec3{};
    EditStep& recorded = Record("Duplicate");
    if (objects) {
        made.nodes = AdoptPastedObjects(*objects, offset);
    } else {
        scene_.ClearSelection();
        selection_ = {};
        Notify(ChangeKind::Selection);
    }
    scene_.DeselectAllLights();
    for (Light light : lights) {
        light.name = scene_.MakeLightName(light.kind);
        light.position = light.position + offset;
        light.selected = 1;
        const Light& added = scene_.Lights()[static_cast<std::size_t>(scene_.AddLight(light))];
        recorded.LightAdded(added);
        Notify(ChangeKind::LightAdded, {}, added.id);
        made.lights.push_back(added.id);
    }
    if (!made.lights.empty()) {
        selection_.is_group = false;  // the lights share the selection
    }
    return made;
}

}  // namespace kelto

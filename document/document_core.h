// The document without its windows: the scene, the modified flag, the selection summary and
// every operation that changes the scene. The modelling views, the commands and kelto-cli all
// change the scene only through it.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "model/message_table.h"
#include "model/scene.h"
#include "modelling/font_record.h"
#include "platform/messages.h"

namespace kelto {

// Kept beside the scene and refreshed by every selection change.
struct SelectionSummary {
    int selected_count = 0;  // selected nodes
    bool is_group = false;   // the selection is one group (or was just grouped)
    bool is_trim = false;    // the selection is the result of a Trim
};

// The axes a handle drag acts on.
enum AxisMask : std::uint8_t {
    kAxisNone = 1,  // the value when nothing is grabbed
    kAxisX = 2,
    kAxisY = 4,
    kAxisZ = 8,
    kAxisAll = 14,
};

// The camera of one modelling window, stored after the scene in the file so that the windows
// open where they were.
struct ViewEntry {
    std::int32_t lens = 50;  // focal length in millimetres
    Vec3 direction;          // unit vector from eye to target
    Vec3 eye;
    Vec3 target;
    friend bool operator==(const ViewEntry&, const ViewEntry&) = default;
};

// What InsertText made: the new node, and a warning to show when the text was made without
// some of its characters (ok otherwise).
struct TextInsertion {
    SceneNode* node = nullptr;
    Status warning;
};

class DocumentCore {
  public:
    static constexpr int kFirstRingCode = 32;  // 32, 33, 34: the rings about x, y and z

    Scene& GetScene() { return scene_; }
    const Scene& GetScene() const { return scene_; }
    const SelectionSummary& Selection() const { return selection_; }
    bool IsModified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    // Called after every change so that the windows redraw.
    void AddChangeListener(std::function<void()> listener);

    // --- objects and lights ---
    // Inserts a primitive at a ground point. Without Shift it becomes the only selection; with
    // Shift it joins the selection.
    SceneNode* InsertObject(ObjectType type, const Vec3& point, bool shift);
    int InsertLight(LightKind kind, const Vec3& point);
    // Makes a Text object of `text` in `font`, `depth` deep, standing upright with its bottom
    // left at `point` and going away from the viewer; selected as InsertObject selects. On
    // failure (no TrueType face, more vertices than one mesh holds, or nothing to show: only
    // spaces or characters the font lacks) the status says why and nothing changes. Characters
    // the font lacks are left out, and `made` (when given) carries a warning naming them.
    Status InsertText(const Vec3& point, const std::string& text, const LogFont& font, double depth,
                      bool shift, TextInsertion* made = nullptr);

    // --- selection ---
    // Without Shift the node becomes the only selection (a group selection when its flags say
    // so). With Shift it leaves the selection when more than one thing is selected and it is
    // selected, and joins it otherwise.
    void SelectNode(SceneNode& node, bool shift);
    void SelectLight(int index);
    void ClearSelection();

    // --- drags ---
    // Handle codes are corner * 4 + kind (kind 0 x, 1 y, 2 z, 3 all axes).
    void GrabNodeHandle(SceneNode& node, int handle_code, bool shift);
    void GrabLightHandle(int light_index, int handle_code, bool shift);
    void ClearGrab();
    void BeginRotatingNode(SceneNode& node, int ring_code);
    void BeginRotatingLight(int light_index, int ring_code);
    // Pending changes of a drag in progress; they show in the world matrix at once and become
    // permanent at EndDrag.
    void DragMoveNode(SceneNode& node, const Vec3& offset);
    void DragScaleNode(SceneNode& node, const Vec3& factors, const Vec3& offset);
    void DragRotateNode(SceneNode& node, int axis, double degrees);
    void DragMoveLight(int light_index, const Vec3& offset);
    void DragScaleLight(int light_index, double factor);
    void DragRotateLight(int light_index, int axis, double degrees);
    void EndDrag();

    int GrabbedCorner() const { return grabbed_corner_; }
    std::uint8_t GrabbedAxes() const { return axis_mask_; }
    int GrabbedRing() const { return grabbed_ring_; }
    const SceneNode* GrabbedNode() const { return grabbed_node_; }
    int GrabbedLight() const { return grabbed_light_; }

    // --- files ---
    // Writes the scene and the view entries to `path`. The previous file is replaced only
    // after the new one is complete on the disk; a failed save leaves it as it was.
    Status Save(const std::string& path);
    // Reads a scene file. On any failure the document is left empty (a new scene) and the
    // status carries the message to show, if any.
    Status Open(const std::string& path);
    // The same from bytes already in memory; `file_name` goes into the messages.
    Status OpenFromBytes(std::span<const std::uint8_t> bytes, const std::string& file_name);
    // The bytes Save writes.
    std::vector<std::uint8_t> SaveToBytes() const;
    // The modelling windows' cameras: set by the windows before a save, read by them after an
    // open.
    std::vector<ViewEntry>& Views() { return views_; }
    const std::vector<ViewEntry>& Views() const { return views_; }
    // Empties the document: a new scene, no views, nothing selected, not modified.
    void Clear();

    // --- 3DS import ---
    // Reads a 3DS file (its extension must be 3ds, any case) and adds its meshes to the scene:
    // one object per mesh (a mesh too large for one object is split), z up turned to y up,
    // scaled by the file's master scale, resting on the floor, materials taken over, and the
    // new objects selected (grouped when there are several). On failure the status carries
    // the message and the scene is unchanged.
    Status Import3ds(const std::string& path, std::vector<SceneNode*>* created = nullptr);
    // The same from bytes already read; `file_name` goes into the messages.
    Status Import3dsBytes(std::span<const std::uint8_t> bytes, const std::string& file_name,
                          std::vector<SceneNode*>* created = nullptr);

    // --- commands ---
    // Groups the selected top-level objects; nothing happens with fewer than two.
    SceneNode* Group();
    // Trims the second selected top-level object by the first (the newer) and puts both under
    // a new Trim object at the centre of their box. On failure nothing changes and the
    // status carries the message, with `icon` the box it is shown in. With fewer than two
    // selected objects (one Trim object, say) nothing happens and the result is Ok with a
    // null node.
    Status Trim(MessageIcon* icon = nullptr, SceneNode** created = nullptr);

  private:
    void Changed();
    void SelectInserted(SceneNode& node, bool shift);
    void Grab(const SceneNode* node, int light_index, int handle_code, bool shift);

    Scene scene_;
    bool modified_ = false;
    SelectionSummary selection_;
    const SceneNode* grabbed_node_ = nullptr;
    int grabbed_light_ = -1;
    int grabbed_corner_ = -1;
    std::uint8_t axis_mask_ = kAxisNone;
    int grabbed_ring_ = 0;
    bool drag_changed_ = false;
    std::vector<std::function<void()>> listeners_;
    std::vector<ViewEntry> views_;
};

}  // namespace kelto

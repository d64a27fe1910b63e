// The document without its windows: the scene, the modified flag, the selection summary and
// every operation that changes the scene. The modelling views, the commands and kelto-cli all
// change the scene only through it; everyone else reads the scene through a const reference
// and names nodes and lights by their handles.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document_changes.h"
#include "environment_cache.h"
#include "files/model_import.h"
#include "model/handles.h"
#include "model/light.h"
#include "model/message_table.h"
#include "model/scene.h"
#include "modelling/font_record.h"
#include "modelling/text_settings.h"
#include "node_fields.h"

namespace kelto {

// Kept beside the scene and refreshed by every selection change.
struct SelectionSummary {
    int selected_count = 0;  // selected nodes
    bool is_group = false;   // the selection is one group (or was just grouped)
    bool is_trim = false;    // the selection is the result of a Trim
    friend bool operator==(const SelectionSummary&, const SelectionSummary&) = default;
};

// The axes a handle drag acts on.
enum AxisMask : std::uint8_t {
    kAxisNone = 1,  // the value when nothing is grabbed
    kAxisX = 2,
    kAxisY = 4,
    kAxisZ = 8,
    kAxisAll = 14,
};

// The camera of one modelling window as the scene file keeps it, so that the windows open
// where they were.
struct ViewEntry {
    std::int32_t lens = 50;  // focal length in millimetres
    Vec3 direction;          // unit vector from eye to target
    Vec3 eye;
    Vec3 target;
    // The name the user gave it in the Cameras panel; empty: "Camera N" by its place.
    std::string name = {};
    friend bool operator==(const ViewEntry&, const ViewEntry&) = default;
};

// What InsertText made: the new node, and a warning to show when the text was made without
// some of its characters (ok otherwise).
struct TextInsertion {
    NodeId node;
    Status warning;
};

// What Duplicate made: the copies of the objects (top-level, in the order of their originals)
// and of the lights.
struct Duplicates {
    std::vector<NodeId> nodes;
    std::vector<LightId> lights;
};

// What an import of an object file made: the new top-level objects, and what the file lacked
// or held broken that the import left out (pictures that could not be read, broken faces).
struct ImportedObjects {
    std::vector<NodeId> objects;
    std::vector<Status> warnings;
};

// The extensions "Import object from file" reads, any case: 3ds, and those of
// IsModelExtension.
bool IsImportableObjectExtension(const std::string& extension);

class EditStep;
class History;
struct SelectionState;
enum class BooleanMode;

class DocumentCore {
  public:
    static constexpr int kFirstRingCode = 32;  // 32, 33, 34: the rings about x, y and z

    DocumentCore();
    ~DocumentCore();
    DocumentCore(const DocumentCore&) = delete;
    DocumentCore& operator=(const DocumentCore&) = delete;

    const Scene& GetScene() const { return scene_; }
    const SelectionSummary& Selection() const { return selection_; }
    bool IsModified() const { return modified_; }

    // Lookups by handle; null once the node or light is gone.
    const SceneNode* Node(NodeId id) const { return scene_.FindNode(id); }
    const Light* FindLight(LightId id) const { return scene_.FindLight(id); }
    // By name, as kelto-cli and the file's messages name things; the root is not a node here.
    NodeId NodeNamed(const std::string& name) const;
    LightId LightNamed(const std::string& name) const;
    bool IsTopLevel(NodeId id) const;

    // Tells `listener` about every change from now until the subscription is dropped or reset.
    // Listeners are called on the thread that made the change, after it is complete.
    [[nodiscard]] Subscription Subscribe(ChangeListener listener);

    // --- objects and lights ---
    // Inserts a primitive at a ground point. Without Shift it becomes the only selection; with
    // Shift it joins the selection. No handle for a type that is not a primitive.
    NodeId InsertObject(ObjectType type, const Vec3& point, bool shift);
    // The same with the object's position (its origin, the Position the Properties panel
    // shows) at `position` instead of resting on the floor: one step, "Insert Sphere1". A
    // position that is not finite or out of the fields' range is refused with SetField's
    // message, and nothing is inserted.
    Result<NodeId> InsertObjectAt(ObjectType type, const Vec3& position, bool shift);
    LightId InsertLight(LightKind kind, const Vec3& point);
    // Makes a Text object of `text` in `font`, `depth` deep, standing upright with its bottom
    // left at `point` and going away from the viewer; selected as InsertObject selects. On
    // failure (no TrueType face, more vertices than one mesh holds, or nothing to show: only
    // spaces or characters the font lacks) the status says why and nothing changes. Characters
    // the font lacks are left out, and the result's warning names them.
    Result<TextInsertion> InsertText(const Vec3& point, const std::string& text,
                                     const LogFont& font, double depth, bool shift);
    // Makes a Text object anew from `text`, `font` and `depth`, one step of the history
    // ("Edit Text1"): the corner of its box at the bottom, left and front stays in place, and
    // its rotation, scale, material, name and selection are kept. Fails as InsertText does,
    // changing nothing; a node that is not a Text object is refused.
    Result<TextInsertion> EditText(NodeId id, const std::string& text, const LogFont& font,
                                   double depth);
    // What the Text object was made from; nothing for another node, or for a Text object read
    // from a file that does not keep it (files of earlier versions).
    std::optional<TextSettings> TextSettingsOf(NodeId id) const;

    // --- editing ---
    // Replaces the node's material (images are shared, not copied).
    Status SetMaterial(NodeId id, const Material& material);
    // Gives each of these objects, with everything inside a group or Trim object among them,
    // this material: one step, "Material Sphere1" (or "Material" for several objects).
    // Handles of nodes no longer in the scene are passed over; the result counts the objects
    // given the material (none: nothing happens).
    int SetObjectsMaterial(std::span<const NodeId> objects, const Material& material);
    // Replaces a light's fields; its handle and name stay.
    Status SetLight(LightId id, const Light& light);
    // Gives a node another name: not empty nor only spaces, at most 24 bytes, not taken.
    Status Rename(NodeId id, const std::string& name);
    // Sets one typed number of the nodes (at any depth; positions relative to their parents)
    // as one step named as the drags name theirs: "Move Sphere1", "Rotate Sphere1", "Scale
    // Sphere1" ("Material Sphere1" for the material's numbers), the verb alone for several
    // nodes. A value that is not finite or is out of the field's range is refused with the
    // message that gives the range, and nothing changes; so does a list without nodes.
    Status SetField(std::span<const NodeId> ids, NodeField field, double value);
    // Several fields as one step, named by the first one's verb; every value is checked
    // before anything changes.
    Status SetFields(std::span<const NodeId> ids, std::span<const FieldSetting> settings);
    // Shows or hides a node (and what is below it) in the views and the render: one step,
    // "Hide Sphere1" or "Show Sphere1". The file keeps the flag.
    Status SetVisible(NodeId id, bool visible);
    // The scene's soft-shadow, occlusion and environment settings.
    const SceneLighting& Lighting() const { return scene_.lighting; }
    // Replaces them as one step ("Undo Lighting"); values out of range are refused (the message
    // names the field and its range) and nothing changes.
    Status SetLighting(const SceneLighting& lighting);
    // The environment picture last read for a render of this document, kept so that the next
    // render of the same file does not read it again (see LoadRenderEnvironment).
    EnvironmentPictureCache& EnvironmentPictures() const { return environment_pictures_; }
    // Deletes the selected nodes (with what is below them) and the selected lights; a group or
    // Trim object left without members goes too. Nothing selected: nothing happens.
    void DeleteSelection();
    // Puts a group's members back in its parent where they are in the world, and deletes the
    // group; the members become the selection. Only groups can be taken apart.
    Status Ungroup(NodeId group);

    // --- selection ---
    // Without Shift the node becomes the only selection (a group selection when its flags say
    // so). With Shift it leaves the selection when more than one thing is selected and it is
    // selected, and joins it otherwise.
    void SelectNode(NodeId id, bool shift);
    // Makes the light the only selection.
    void SelectLight(LightId id);
    // Exactly these nodes and lights selected (kelto-cli's select), the nodes as by
    // SelectNode with Shift after the first.
    void SelectExactly(std::span<const NodeId> nodes, std::span<const LightId> lights);
    void ClearSelection();

    // --- history ---
    // Every edit of the scene is one step: an insertion, Delete, Paste, Duplicate, Group,
    // Ungroup, Trim, Combine, Intersect, a material, light or name change, a 3DS import, and
    // a whole drag from its first move to EndDrag (a cancelled drag, none; the arrow keys'
    // nudge is a drag of one move). Selection and view
    // changes are not steps. The history keeps at most 100 steps holding at most 256 MB, the
    // oldest dropped first; a new edit drops the steps that were undone. Open and Clear empty
    // it. The modified flag follows it: back at the state last saved or opened, the document
    // is not modified.
    bool CanUndo() const;
    bool CanRedo() const;
    // The menu texts, "Undo Move Sphere1" and "Redo Group"; empty when there is nothing to
    // undo or redo.
    std::string UndoText() const;
    std::string RedoText() const;
    // Takes the newest step back, or does the last one taken back again, selection included;
    // nodes and lights coming back keep their handles. With nothing to undo or redo nothing
    // happens; during a drag either drops the drag instead. Should the scene no longer match
    // the history (no operation of the document's can cause that), nothing changes, the
    // history is emptied and the status says so.
    Status Undo();
    Status Redo();

  private:
    // Opened by every public operation that changes something: changes collect while one is
    // open and reach the listeners, as one set, when the outermost one closes.
    class Operation;

  public:
    // Which state of the history the scene is in: changes with every step made, undone or
    // redone.
    std::uint64_t HistoryState() const;
    // Makes every edit until its end one step of the history named `name` ("Run Script"),
    // heard by the listeners as one set of changes. Scopes nest; the outermost one names the
    // step. Undo and Redo are refused while one is open.
    class EditScope {
      public:
        EditScope(DocumentCore& document, const std::string& name);
        ~EditScope();
        EditScope(const EditScope&) = delete;
        EditScope& operator=(const EditScope&) = delete;

      private:
        std::unique_ptr<Operation> operation_;
    };
    // Takes back the newest step and forgets it, so that it cannot be redone either: the
    // scene, its history and the modified flag are as they were at `state` (what a script
    // that failed did, run in one EditScope). Refused, changing nothing, while a scope is open
    // or when the newest step does not start at `state` (the edits made no step, or one too
    // large for the history to keep).
    Status DiscardStepsSince(std::uint64_t state);
    // What the history holds: steps either way and the bytes they keep.
    std::size_t UndoCount() const;
    // How many steps the history keeps (at least one); older ones go at once.
    void SetUndoLimit(std::size_t steps);
    std::size_t RedoCount() const;
    std::size_t HistoryBytes() const;
    // The bytes the next step to undo keeps (0 when there is none).
    std::size_t UndoStepBytes() const;

    // --- clipboard ---
    // The selected top-level objects with everything below them, materials and pictures
    // included, as the bytes of a scene file that holds only them (no lights, no views);
    // empty when no top-level object is selected.
    std::vector<std::uint8_t> CopySelection() const;
    // CopySelection, then the selection is deleted as Delete deletes it, as one step "Cut".
    std::vector<std::uint8_t> CutSelection();
    // Adds the objects of scene-file bytes (CopySelection's, or any scene file's) at the top
    // of the scene where they were, each under its own name or, when that is taken, the first
    // free one made from it, and makes them the selection: one step "Paste". The bytes go
    // through the scene reader's checks; damaged or foreign bytes change nothing and the
    // status carries the reader's message. Objects that would take the scene beyond the
    // tessellation limit (files/tessellation_limit.h) are refused the same way, so that the
    // scene still opens once saved. Bytes without objects add nothing.
    // With a `step` (the grid step), pasted objects that would land exactly on top-level
    // objects of their kind (their originals, say) go `step` further along x and z, as often
    // as it takes, so that a paste is seen; elsewhere they land where they were.
    Result<std::vector<NodeId>> Paste(std::span<const std::uint8_t> bytes, double step = 0.0);
    // Copies of the selected top-level objects (with everything below them) and of the
    // selected lights, `step` further along x and z, under free names; the copies become the
    // selection: one step "Duplicate". Refused as Paste refuses objects beyond the
    // tessellation limit, nothing changed; with nothing selected nothing happens.
    Result<Duplicates> Duplicate(double step);

    // --- drags ---
    // Handle codes are corner * 4 + kind (kind 0 x, 1 y, 2 z, 3 all axes).
    void GrabNodeHandle(NodeId id, int handle_code, bool shift);
    void GrabLightHandle(LightId id, int handle_code, bool shift);
    void ClearGrab();
    void BeginRotatingNode(NodeId id, int ring_code);
    void BeginRotatingLight(LightId id, int ring_code);
    // Pending changes of a drag in progress; they show in the world matrix at once and become
    // permanent at EndDrag.
    void DragMoveNode(NodeId id, const Vec3& offset);
    void DragScaleNode(NodeId id, const Vec3& factors, const Vec3& offset);
    void DragRotateNode(NodeId id, int axis, double degrees);
    void DragMoveLight(LightId id, const Vec3& offset);
    void DragScaleLight(LightId id, double factor);
    void DragRotateLight(LightId id, int axis, double degrees);
    void EndDrag();
    // Drops the pending changes of the drag in progress (Escape, or the mouse lost): the scene
    // is as it was before the drag began.
    void CancelDrag();

    int GrabbedCorner() const { return grabbed_corner_; }
    std::uint8_t GrabbedAxes() const { return axis_mask_; }
    int GrabbedRing() const { return grabbed_ring_; }
    NodeId GrabbedNode() const { return grabbed_node_; }
    LightId GrabbedLight() const { return grabbed_light_; }

    // --- views ---
    // The modelling windows' cameras, saved after the scene.
    const std::vector<ViewEntry>& Views() const { return views_; }
    void AddView(const ViewEntry& view);
    // Sets view `index`, appending when it is one past the last. Saving a window's camera is
    // not an edit of the scene: the modified flag stays.
    void SetView(std::size_t index, const ViewEntry& view);
    void SetViews(std::vector<ViewEntry> views);
    // The stored cameras as the Cameras panel edits them. Each edit marks the scene changed
    // (Save keeps it) without a step of the history. A name is the one the user gave, else
    // "Camera N" for the N-th; names are unique, not empty and as long as object names may be.
    std::string ViewName(std::size_t index) const;
    std::size_t AddStoredView(const ViewEntry& view);  // its place
    Status RenameView(std::size_t index, const std::string& name);
    Status RemoveView(std::size_t index);
    // The stored cameras and whether they count as edited: taken before work that may fail
    // (a script) and put back whole if it does, outside the history as views are.
    struct ViewsState {
        std::vector<ViewEntry> views;
        bool edited = false;
    };
    ViewsState StoredViews() const { return {views_, views_edited_}; }
    void RestoreViews(ViewsState state);

    // --- files ---
    // Writes the scene and the view entries to `path`. The previous file is replaced only
    // after the new one is complete on the disk; a failed save leaves it as it was and the
    // document modified.
    Status Save(const std::string& path);
    // Reads a scene file. On any failure the document is left empty (a new scene) and the
    // status carries the message to show.
    Status Open(const std::string& path);
    // The same from bytes already in memory; `file_name` goes into the messages.
    Status OpenFromBytes(std::span<const std::uint8_t> bytes, const std::string& file_name);
    // The bytes Save writes. `expected_size` (the size of an earlier snapshot, say) lets the
    // room for them be made at once.
    std::vector<std::uint8_t> SaveToBytes(std::size_t expected_size = 0) const;
    // The same with `views` written in place of the stored cameras, the document untouched (an
    // autosave keeps where the windows look now).
    std::vector<std::uint8_t> SaveToBytes(const std::vector<ViewEntry>& views,
                                          std::size_t expected_size = 0) const;
    // Empties the document: a new scene, no views, nothing selected, not modified.
    void Clear();
    // Marks the document modified although its history holds no step: a scene recovered from
    // an autosave differs from its file. Only a save clears the mark; no undo reaches the
    // file's state.
    void MarkUnsaved();

    // --- 3DS import ---
    // Reads a 3DS file (its extension must be 3ds, any case) and adds its meshes to the scene:
    // one object per mesh (a mesh too large for one object is split), z up turned to y up,
    // scaled by the file's master scale, resting on the floor, materials taken over, and the
    // new objects selected (grouped when there are several). On failure the status carries
    // the message and the scene is unchanged. The result lists the new objects.
    // `scale` multiplies the file's own.
    Result<std::vector<NodeId>> Import3ds(const std::string& path, double scale = 1.0);
    // The same from bytes already read; `file_name` goes into the messages.
    Result<std::vector<NodeId>> Import3dsBytes(std::span<const std::uint8_t> bytes,
                                               const std::string& file_name, double scale = 1.0);

    // --- import of other programs' model files ---
    // Reads an object file by its extension: 3DS as above (the options' scale applied), any
    // other through ReadModelFile. The file's tree becomes one new top-level object, a group
    // of groups and mesh objects (or a single mesh object), in the file's own coordinates
    // times the scale, selected; its lights become lights and its cameras stored views (the
    // views stay when the step is undone). One step of the history, "Import <file>". On
    // failure the status names the file and says why, and the scene is unchanged.
    Result<ImportedObjects> ImportObject(const std::string& path,
                                         const ModelImportOptions& options = {});
    // The same from the bytes of a file called `file_name` (not 3DS), reading nothing else.
    Result<ImportedObjects> ImportModelBytes(std::span<const std::uint8_t> bytes,
                                             const std::string& file_name,
                                             const ModelImportOptions& options = {});

    // --- commands ---
    // Groups the selected top-level objects; nothing happens (no handle) with fewer than two.
    NodeId Group();
    // Trims the second selected top-level object by the first (the newer) and puts both under
    // a new Trim object at the centre of their box. On failure nothing changes and the status
    // carries the message and its box. With fewer than two selected objects (one Trim object,
    // say) nothing happens and the result holds no handle.
    Result<NodeId> Trim();
    // Combine (the union) and Intersect: the first two selected top-level objects, each kept
    // where it is outside (Combine) or inside (Intersect) the other, go under a new Combine
    // or Intersect object at the centre of their box. The failures and the selections that
    // do nothing are Trim's: solids that do not meet, or one that lies wholly inside the
    // other, give Trim's message and change nothing.
    Result<NodeId> Combine();
    Result<NodeId> Intersect();

  private:
    // The file format's tests set fields no operation reaches (stored header words, flags).
    friend struct DocumentCoreTestAccess;

    Result<ImportedObjects> AddModel(ModelScene model, const std::string& file_name);
    void Notify(ChangeKind kind, NodeId node = {}, LightId light = {});
    void SelectInserted(SceneNode& node, bool shift);
    // The step the running operation records into, opened on first use (a drag in progress
    // is ended first); `name` names it unless an outer operation already did.
    EditStep& Record(const std::string& name = {});
    // The step of a drag, open until EndDrag or CancelDrag.
    EditStep& RecordDrag(const char* verb, const std::string& subject);
    // Closes the running operation's step (called when the outermost operation ends).
    void CloseStep();
    void FinishStep();
    Status StepHistory(bool back);
    SelectionState CaptureSelection() const;
    void RefreshModified();
    // Unlinks the node and hands it, with everything below it, to the running step.
    void DiscardSubtree(SceneNode& node);
    void DeleteSelected(const std::string& verb);
    Result<NodeId> BooleanCommand(BooleanMode mode);
    // Paste's halves: the objects of scene-file bytes read and checked against the
    // tessellation limit, and then entered at the head of the top level, `offset` further,
    // as the selection, into the step the running operation records.
    Result<std::unique_ptr<Scene>> ReadPastedObjects(std::span<const std::uint8_t> bytes) const;
    std::vector<NodeId> AdoptPastedObjects(Scene& pasted, const Vec3& offset);
    // The offset of a paste: `step` along x and z as often as the objects would otherwise
    // land exactly on top-level objects of their kind.
    Vec3 PasteOffset(const Scene& pasted, double step) const;
    void Grab(NodeId node, LightId light, int handle_code, bool shift);
    SceneNode* MutableNode(NodeId id) { return scene_.FindNode(id); }
    Light* MutableLight(LightId id) { return scene_.FindLight(id); }

    Scene scene_;
    mutable EnvironmentPictureCache environment_pictures_;
    bool modified_ = false;
    SelectionSummary selection_;
    NodeId grabbed_node_;
    LightId grabbed_light_;
    int grabbed_corner_ = -1;
    std::uint8_t axis_mask_ = kAxisNone;
    int grabbed_ring_ = 0;
    bool drag_changed_ = false;
    std::vector<ViewEntry> views_;
    bool views_edited_ = false;  // the Cameras panel changed them since the last save or open
    std::shared_ptr<ChangeHub> hub_;
    ChangeSet pending_;
    int operation_depth_ = 0;
    std::unique_ptr<History> history_;
    std::unique_ptr<EditStep> recording_;
    bool recording_drag_ = false;
    std::string drag_verb_;
    std::string drag_subject_;
    std::uint64_t saved_state_ = 0;  // the history's state when last saved or opened
    // A state the history never reaches (MarkUnsaved).
    static constexpr std::uint64_t kNeverSavedState = ~std::uint64_t{0};
};

}  // namespace kelto

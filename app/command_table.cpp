#include "command_table.h"

#include <algorithm>

namespace kelto {
namespace {

using namespace command_ids;
using R = CommandRule;
using T = CommandTarget;

// The place of a primitive's tool, from the kinds table.
constexpr int Tool(int command_id) {
    return ToolOfCommand(command_id);
}

// clang-format off
constexpr CommandInfo kCommands[] = {
    // File
    {kNew, "&New", {"Ctrl+N", ""}, "Start a new, empty scene", R::Always, &T::OnFileNew},
    {kOpen, "&Open...", {"Ctrl+O", ""}, "Open a scene file", R::Always, &T::OnFileOpen},
    {kClose, "&Close", {"", ""}, "Close the scene and all its windows", R::NeedsDocument,
     &T::OnFileClose},
    {kSave, "&Save", {"Ctrl+S", ""}, "Save the scene", R::NeedsDocument, &T::OnFileSave},
    {kSaveAs, "Save &As...", {"", ""}, "Save the scene under a new name", R::NeedsDocument,
     &T::OnFileSave},
    {kImportObject, "&Import object from file...", {"", ""},
     "Add the objects of a 3D Studio, OBJ, STL, PLY or glTF file to the scene", R::NeedsDocument,
     &T::OnImportObject},
    {kExportScene, "&Export...", {"", ""},
     "Write the scene or the selected objects as glTF, STL or OBJ", R::NeedsDocument,
     &T::OnExportScene},
    {kRunScript, "&Run Script...", {"", ""},
     "Run a Python script on the scene; what it does is one step to undo", R::NeedsDocument,
     &T::OnRunScript},
    {kExit, "E&xit", {"", ""}, "Quit Kelto, asking to save changed scenes", R::Always,
     &T::OnAppExit},
    // Edit
    {kUndo, "&Undo", {"Ctrl+Z", "Alt+Backspace"}, "Take back the last change", R::Undo,
     &T::OnEditUndo},
    {kRedo, "&Redo", {"Ctrl+Y", "Ctrl+Shift+Z"}, "Make the change taken back again", R::Redo,
     &T::OnEditRedo},
    {kToolbarUndo, "Undo", {"", ""}, "Take back the last change", R::Undo, &T::OnEditUndo},
    {kCut, "Cu&t", {"Ctrl+X", "Shift+Del"}, "Move the selection to the clipboard", R::CopyObjects,
     &T::OnEditCopy},
    {kCopy, "&Copy", {"Ctrl+C", "Ctrl+Ins"}, "Copy the selection to the clipboard", R::CopyObjects,
     &T::OnEditCopy},
    {kPaste, "&Paste", {"Ctrl+V", "Shift+Ins"}, "Put the clipboard's objects in the scene",
     R::Paste, &T::OnEditPaste},
    {kDelete, "&Delete", {"Del", ""}, "Delete the selected objects and lights", R::Delete,
     &T::OnEditDelete},
    {kDuplicate, "Dup&licate", {"Ctrl+D", ""},
     "Copy the selected objects and lights one grid step aside", R::Duplicate,
     &T::OnEditDuplicate},
    // Object: tools
    {kSelectTool, "&Select Object Tool", {"", ""},
     "Select objects and lights; drag to move or scale", R::SelectTool, &T::OnSelectTool, -1, true},
    {kRotateTool, "Rotate an o&bject", {"", ""}, "Turn the selected object by its rings",
     R::RotateTool, &T::OnRotateTool, -1, true},
    {kTextTool, "&Text Tool", {"", ""}, "Add text to the scene", R::TextTool, &T::OnTextTool, -1,
     true},
    {kJoinObjectsTool, "&Join Objects Tool", {"", ""}, "Join objects (not available yet)", R::Inert},
    {kSelectPrimitive, "Select p&rimitive shape", {"", ""},
     "Insert the chosen primitive with the next click", R::PrimitiveTool, &T::OnSelectPrimitive, -1,
     true},
    {kCube, "&Cube", {"", ""}, "Insert a cube with the next click", R::PrimitiveKind,
     &T::OnPrimitiveKind, Tool(kCube), true},
    {kSphere, "&Sphere", {"", ""}, "Insert a sphere with the next click", R::PrimitiveKind,
     &T::OnPrimitiveKind, Tool(kSphere), true},
    {kTorus, "&Torus", {"", ""}, "Insert a torus with the next click", R::PrimitiveKind,
     &T::OnPrimitiveKind, Tool(kTorus), true},
    {kCone, "C&one", {"", ""}, "Insert a cone with the next click", R::PrimitiveKind,
     &T::OnPrimitiveKind, Tool(kCone), true},
    {kCylinder, "C&ylinder", {"", ""}, "Insert a cylinder with the next click", R::PrimitiveKind,
     &T::OnPrimitiveKind, Tool(kCylinder), true},
    {kParaboloid, "&Paraboloid", {"", ""}, "Insert a paraboloid with the next click",
     R::PrimitiveKind, &T::OnPrimitiveKind, Tool(kParaboloid), true},
    {kHyperboloid, "&Hyperboloid", {"", ""}, "Insert a hyperboloid with the next click",
     R::PrimitiveKind, &T::OnPrimitiveKind, Tool(kHyperboloid), true},
    {kSuperquadric, "S&uperquadric", {"", ""}, "Insert a superquadric with the next click",
     R::PrimitiveKind, &T::OnPrimitiveKind, Tool(kSuperquadric), true},
    {kSelectLight, "Select &light source", {"", ""}, "Insert the chosen light with the next click",
     R::LightTool, &T::OnSelectLight, -1, true},
    {kAreaLight, "&Area Light", {"", ""}, "Insert an area light with the next click", R::LightKind,
     &T::OnLightKind, 0, true},
    {kPointLight, "&Point Light", {"", ""}, "Insert a point light with the next click",
     R::LightKind, &T::OnLightKind, 1, true},
    {kSpotLight, "&Spot Light", {"", ""}, "Insert a spot light with the next click", R::LightKind,
     &T::OnLightKind, 2, true},
    // Object: commands
    {kGroup, "&Group/ungroup", {"Ctrl+G", ""}, "Group the selected objects", R::Group,
     &T::OnGroup, -1, true},
    {kTrim, "Tr&im", {"", ""}, "Cut the first selected object out of the second", R::Trim,
     &T::OnTrim, -1, true},
    {kIntersect, "I&ntersect", {"", ""}, "Keep what the selected objects share", R::Intersect,
     &T::OnIntersect},
    {kCombine, "&Combine", {"", ""}, "Join the selected objects into one", R::Combine,
     &T::OnCombine},
    {kMaterialProperties, "&Material Properties", {"", ""}, "Edit the selected object's material",
     R::MaterialProperties, &T::OnMaterialProperties},
    {kLightProperties, "Light Pr&operties", {"", ""}, "Edit the selected light", R::LightProperties,
     &T::OnLightProperties},
    {kEditText, "Edit Te&xt...", {"", ""}, "Change the selected text's characters, font and depth",
     R::EditText, &T::OnEditText},
    {kMoveRotationCentre, "Mo&ve an object's center of rotation point", {"", ""},
     "Move the point an object turns about", R::Inert},
    {kPuttyTool, "PuttyTool de&formation", {"", ""}, "Deform an object", R::Inert},
    {kLathe, "Lath&e", {"", ""}, "Turn a curve into a solid", R::Inert},
    {kLathedCurve, "Lathe&d Curve", {"", ""}, "Draw the curve of a lathed solid", R::Inert},
    {kNurbsCurve, "&Nurbs curve", {"", ""}, "Draw an open curve", R::Inert},
    {kNurbsCurveClosed, "&Closed Nurbs curve", {"", ""}, "Draw a closed curve", R::Inert},
    {kRectangleShape, "&Rectangle shape", {"", ""}, "Draw a flat rectangle", R::Inert},
    {kEllipseShape, "&Ellipse shape", {"", ""}, "Draw a flat ellipse", R::Inert},
    {kPolygonShape, "&Polygon shape", {"", ""}, "Draw a flat polygon", R::Inert},
    {kFreehandShape, "&Freehand shape", {"", ""}, "Draw a flat shape by hand", R::Inert},
    {kPathPick, "&Pick", {"", ""}, "Pick a path", R::Inert},
    {kPathDraw, "&Draw", {"", ""}, "Draw a path", R::Inert},
    {kPathInsertPoint, "&Insert Point", {"", ""}, "Add a point to the path", R::Inert},
    {kPathRemovePoint, "&Remove Point", {"", ""}, "Take a point out of the path", R::Inert},
    {kPathConvertPoint, "&Convert Point", {"", ""}, "Make a point smooth or sharp", R::Inert},
    {kExtrusionWizard, "Extrusion Wi&zard...", {"", ""}, "Build a solid from a shape", R::Inert},
    {kSceneWizard, "Scene &Wizard...", {"", ""}, "Build a scene step by step (not available yet)",
     R::Inert},
    {kSnapToGrid, "Sn&ap to grid", {"", ""},
     "Put inserted and moved objects on the grid (Ctrl while moving does the opposite)",
     R::SnapToGrid, &T::OnSnapToGrid, -1, true},
    {kDebug1, "Debug &1", {"", ""}, "Debugging aid", R::Inert},
    {kRename, "&Rename...", {"F2", ""}, "Give the selected object another name", R::Rename,
     &T::OnRename},
    // View
    {kToolbar, "&Toolbar", {"", ""}, "Show or hide the toolbars", R::ToolbarShown,
     &T::OnViewToolbar, -1, true},
    {kStatusBar, "&Status Bar", {"", ""}, "Show or hide the status bar", R::StatusBarShown,
     &T::OnViewStatusBar, -1, true},
    {kCameraPalette, "&Camera manager palette", {"", ""}, "Show the camera palette", R::Always,
     &T::OnCameraPalette},
    {kMaterialsPalette, "&Materials manager palette", {"", ""}, "Show the material palette",
     R::Always, &T::OnMaterialsPalette},
    {kMoveCamera, "Mo&ve camera position", {"", ""},
     "Drag to orbit the camera; with Shift to pan, with Ctrl to zoom", R::MoveCameraTool,
     &T::OnMoveCameraTool, -1, true},
    {kMoveCameraToolbar, "Move camera", {"", ""},
     "Drag to orbit the camera; with Shift to pan, with Ctrl to zoom", R::MoveCameraTool,
     &T::OnMoveCameraTool, -1, true},
    {kFrameSelected, "&Frame Selected", {"F", ""},
     "Move the camera so that the selection fills the view", R::ModellingView,
     &T::OnFrameSelected},
    {kFrameAll, "Frame &All", {"Home", ""}, "Move the camera so that the whole scene fills the view",
     R::ModellingView, &T::OnFrameAll},
    {kTopView, "To&p View", {"", ""}, "Open a window looking at the scene from above",
     R::NeedsDocument, &T::OnTopView},
    {kFrontView, "Fr&ont View", {"", ""}, "Open a window looking at the scene from the front",
     R::NeedsDocument, &T::OnFrontView},
    {kRightSideView, "&Right Side View", {"", ""},
     "Open a window looking at the scene from the right", R::NeedsDocument, &T::OnRightSideView},
    {kPerspectiveView, "P&erspective View", {"", ""},
     "Open a window looking at the scene in perspective", R::NeedsDocument, &T::OnWindowNew},
    {kFourViews, "Fo&ur View", {"", ""},
     "Open a window with the top, front, side and perspective views", R::NeedsDocument,
     &T::OnFourViews},
    {kFourViewsToolbar, "Four Views", {"", ""},
     "Open a window with the top, front, side and perspective views", R::NeedsDocument,
     &T::OnFourViews},
    {kSchematicView, "Sc&hematic View", {"", ""}, "Show or hide the scene as a tree",
     R::ObjectsPanel, &T::OnObjectsPanel, -1, true},
    {kObjectsPanel, "O&bjects", {"", ""}, "Show or hide the list of the scene's objects",
     R::ObjectsPanel, &T::OnObjectsPanel, -1, true},
    {kPropertiesPanel, "Propert&ies", {"", ""},
     "Show or hide the selection's position, rotation, scale and material", R::PropertiesPanel,
     &T::OnPropertiesPanel, -1, true},
    // Render
    {kRender, "&Render", {"F12", ""}, "Ray trace the active view", R::Render, &T::OnRender},
    {kStopRendering, "&Stop rendering", {"", ""}, "Stop the render and close its window",
     R::StopRendering, &T::OnStopRendering},
    {kSaveImage, "Save &image", {"", ""}, "Save the rendered picture", R::SaveImage,
     &T::OnSaveImage},
    {kSettings, "Change Kelto's se&ttings...", {"", ""}, "Change Kelto's settings", R::Always,
     &T::OnSettings},
    // Window
    {kNewWindow, "&New Window", {"", ""}, "Open another window on the scene", R::NeedsDocument,
     &T::OnWindowNew},
    {kCascade, "&Cascade", {"", ""}, "Arrange the windows so that they overlap", R::Always,
     &T::OnWindowCascade},
    {kTile, "&Tile", {"", ""}, "Arrange the windows side by side", R::Always, &T::OnWindowTile},
    {kArrangeIcons, "&Arrange Icons", {"", ""}, "Line up the minimised windows", R::Always,
     &T::OnWindowArrange},
    {kNextWindow, "Ne&xt Window", {"Ctrl+F6", ""}, "Bring the next window forward", R::Always,
     &T::OnWindowNext},
    // Help
    {kTipOfTheDay, "&Tip of the Day...", {"", ""}, "Show a tip", R::Always, &T::OnHelpTip},
    {kAbout, "&About Kelto...", {"", ""}, "Show the program's version, memory and disk space",
     R::Always, &T::OnHelpAbout},
};
// clang-format on

}  // namespace

std::span<const CommandInfo> CommandTable() {
    return kCommands;
}

const CommandInfo* FindCommand(int id) {
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [id](const CommandInfo& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

CommandState EvaluateCommand(const CommandInfo& command, const CommandContext& context) {
    const DocumentCore* document = context.document;
    const ToolMode mode = context.tool_mode;
    switch (command.rule) {
        case R::Always:
            return {true, false};
        case R::Inert:
            return {false, false};
        case R::NeedsDocument:
            return {document != nullptr, false};
        case R::Delete:
            return {document != nullptr && document->GetScene().CountSelected() > 0, false};
        case R::Undo:
            return {document != nullptr && document->CanUndo(), false};
        case R::Redo:
            return {document != nullptr && document->CanRedo(), false};
        case R::CopyObjects:
            return {document != nullptr && document->GetScene().FirstSelectedTopLevel() != nullptr,
                    false};
        case R::Duplicate:
            return {
                document != nullptr && (document->GetScene().FirstSelectedTopLevel() != nullptr ||
                                        document->GetScene().CountSelectedLights() > 0),
                false};
        case R::Paste:
            return {document != nullptr && context.clipboard_has_objects, false};
        case R::Combine:
            return document ? CombineCommandState(*document) : CommandState{};
        case R::Intersect:
            return document ? IntersectCommandState(*document) : CommandState{};
        case R::Group:
            return document ? GroupCommandState(*document) : CommandState{};
        case R::Trim:
            return document ? TrimCommandState(*document) : CommandState{};
        case R::MaterialProperties:
            return document ? MaterialPropertiesState(*document) : CommandState{};
        case R::LightProperties:
            return document ? LightPropertiesState(*document) : CommandState{};
        case R::EditText:
            return document ? EditTextState(*document) : CommandState{};
        case R::SelectTool:
            return {true, mode == ToolMode::Select};
        case R::RotateTool:
            return {true, mode == ToolMode::Rotate};
        case R::TextTool:
            return {true, mode == ToolMode::Text};
        case R::PrimitiveTool:
            return {true, mode == ToolMode::InsertPrimitive};
        case R::PrimitiveKind:
            return {true,
                    mode == ToolMode::InsertPrimitive && context.primitive_kind == command.kind};
        case R::LightTool:
            return {true, mode == ToolMode::InsertLight};
        case R::LightKind:
            return {true, mode == ToolMode::InsertLight && context.light_tool == command.kind};
        case R::MoveCameraTool:
            return {true, mode == ToolMode::MoveCamera};
        case R::ModellingView:
            return {document != nullptr && context.camera_view_active, false};
        case R::Render:
            return {
                document != nullptr && context.modelling_view_active && context.render_available,
                false};
        case R::StopRendering:
            return {context.render_window_active && !context.render_finished, false};
        case R::SaveImage:
            return {context.render_window_active && context.render_finished, false};
        case R::ToolbarShown:
            return {true, context.toolbar_shown};
        case R::StatusBarShown:
            return {true, context.status_bar_shown};
        case R::SnapToGrid:
            return {true, context.snap_to_grid};
        case R::ObjectsPanel:
            return {true, context.objects_panel_shown};
        case R::PropertiesPanel:
            return {true, context.properties_panel_shown};
        case R::Rename:
            return {document != nullptr && document->Selection().selected_count == 1 &&
                        document->GetScene().CountSelectedLights() == 0,
                    false};
    }
    return {};
}

namespace {

// "Undo Move Sphere1" with the mnemonic on its first letter.
std::string WithMnemonic(const std::string& text, const char* plain) {
    return text.empty() ? std::string(plain) : "&" + text;
}

}  // namespace

std::string UndoMenuText(const DocumentCore* document) {
    return WithMnemonic(document ? document->UndoText() : std::string(), "&Undo");
}

std::string RedoMenuText(const DocumentCore* document) {
    return WithMnemonic(document ? document->RedoText() : std::string(), "&Redo");
}

}  // namespace kelto

// The program's commands in one table: identifier, menu text (with its & mnemonic), keys,
// status-bar prompt, the rule that says when the command is enabled and checked, and the
// function it runs. Menus, toolbars, the context menu and the keyboard all take their actions
// from here; the main frame runs a triggered command's function when its rule enables it.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "app/command_target.h"
#include "document/command_rules.h"
#include "document/document_core.h"
#include "interaction/tool_state.h"

namespace kelto {

namespace command_ids {
// File
inline constexpr int kNew = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kClose = 57602;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kRecentFile1 = 57616;  // .. 57621
inline constexpr int kExit = 57665;
inline constexpr int kImportObject = 32893;
inline constexpr int kExportScene = 32990;
inline constexpr int kRunScript = 33130;
// Edit
inline constexpr int kUndo = 57643;
inline constexpr int kRedo = 32862;
inline constexpr int kToolbarUndo = 32861;
inline constexpr int kCut = 57635;
inline constexpr int kCopy = 57634;
inline constexpr int kPaste = 57637;
inline constexpr int kDelete = 57632;
inline constexpr int kDuplicate = 32970;
// Object
inline constexpr int kSelectTool = 32786;
inline constexpr int kRotateTool = 32789;
inline constexpr int kTextTool = 32854;
inline constexpr int kJoinObjectsTool = 32787;
inline constexpr int kSelectPrimitive = 32873;
// The primitives' tool commands come from the kinds table.
inline constexpr int kCube = ToolCommandOf(ObjectType::Cube);
inline constexpr int kSphere = ToolCommandOf(ObjectType::Sphere);
inline constexpr int kTorus = ToolCommandOf(ObjectType::Torus);
inline constexpr int kCone = ToolCommandOf(ObjectType::Cone);
inline constexpr int kCylinder = ToolCommandOf(ObjectType::Cylinder);
inline constexpr int kParaboloid = ToolCommandOf(ObjectType::Paraboloid);
inline constexpr int kHyperboloid = ToolCommandOf(ObjectType::Hyperboloid);
inline constexpr int kSuperquadric = ToolCommandOf(ObjectType::Superquadric);
inline constexpr int kSelectLight = 32898;
inline constexpr int kAreaLight = 32899;
inline constexpr int kPointLight = 32900;
inline constexpr int kSpotLight = 32901;
inline constexpr int kGroup = 32883;
inline constexpr int kTrim = 32887;
inline constexpr int kIntersect = 32885;
inline constexpr int kCombine = 32886;
inline constexpr int kMaterialProperties = 32895;
inline constexpr int kLightProperties = 32902;
inline constexpr int kEditText = 33110;
inline constexpr int kMoveRotationCentre = 32876;
inline constexpr int kPuttyTool = 32852;
inline constexpr int kLathe = 32860;
inline constexpr int kLathedCurve = 32811;
inline constexpr int kNurbsCurve = 32850;
inline constexpr int kNurbsCurveClosed = 32851;
inline constexpr int kRectangleShape = 32846;
inline constexpr int kEllipseShape = 32847;
inline constexpr int kPolygonShape = 32848;
inline constexpr int kFreehandShape = 32849;
inline constexpr int kPathPick = 32824;
inline constexpr int kPathDraw = 32825;
inline constexpr int kPathInsertPoint = 32826;
inline constexpr int kPathRemovePoint = 32827;
inline constexpr int kPathConvertPoint = 32828;
inline constexpr int kExtrusionWizard = 32867;
inline constexpr int kSceneWizard = 32864;
inline constexpr int kSnapToGrid = 32865;
inline constexpr int kDebug1 = 32878;
// View
inline constexpr int kToolbar = 59392;
inline constexpr int kStatusBar = 59393;
inline constexpr int kCameraPalette = 32771;
inline constexpr int kMaterialsPalette = 32879;
inline constexpr int kMoveCamera = 32843;
inline constexpr int kMoveCameraToolbar = 32844;
inline constexpr int kTopView = 32831;
inline constexpr int kFrontView = 32832;
inline constexpr int kRightSideView = 32833;
inline constexpr int kPerspectiveView = 32834;
inline constexpr int kFourViews = 32836;
inline constexpr int kFourViewsToolbar = 32858;
inline constexpr int kSchematicView = 32871;
inline constexpr int kFrameSelected = 33101;
inline constexpr int kFrameAll = 33102;
inline constexpr int kObjectsPanel = 33120;
inline constexpr int kPropertiesPanel = 33121;
inline constexpr int kRename = 33122;
// Render
inline constexpr int kRender = 32894;
inline constexpr int kStopRendering = 32903;
inline constexpr int kSaveImage = 32904;
inline constexpr int kSettings = 32812;
// Window
inline constexpr int kNewWindow = 57648;
inline constexpr int kArrangeIcons = 57649;
inline constexpr int kCascade = 57650;
inline constexpr int kTile = 57651;
inline constexpr int kNextWindow = 32971;
// Help
inline constexpr int kTipOfTheDay = 112;
inline constexpr int kAbout = 57664;
}  // namespace command_ids

// When a command is enabled and checked.
enum class CommandRule {
    Always,         // enabled
    NeedsDocument,  // enabled while a document is open
    Inert,          // shown, disabled, does nothing
    Delete,         // something is selected
    Undo,           // the document has a step to take back
    Redo,           // the document has a step taken back to make again
    CopyObjects,    // a top-level object is selected (Cut, Copy)
    Duplicate,      // a top-level object or a light is selected
    Paste,          // the clipboard holds objects of ours
    Combine,        // the selection rules of the document
    Intersect,
    Group,  // the selection rules of the document
    Trim,
    MaterialProperties,
    LightProperties,
    EditText,         // exactly one object selected, a Text object
    SelectTool,       // checked in the select mode
    RotateTool,       // checked in the rotate mode
    TextTool,         // checked in the text mode
    PrimitiveTool,    // checked while inserting primitives (of any kind)
    PrimitiveKind,    // checked while inserting primitives of the command's kind
    LightTool,        // checked while inserting lights (of any kind)
    LightKind,        // checked while inserting lights of the command's kind
    MoveCameraTool,   // checked while every left-drag moves the camera
    ModellingView,    // the active window shows the scene in modelling views
    Render,           // enabled when a modelling view is active and rendering is available
    StopRendering,    // the active render window's render is still running
    SaveImage,        // the active render window's render is finished
    ToolbarShown,     // checked while the toolbars are shown
    StatusBarShown,   // checked while the status bar is shown
    SnapToGrid,       // checked while snapping to the grid is on
    ObjectsPanel,     // checked while the Objects panel is shown
    PropertiesPanel,  // checked while the Properties panel is shown
    Rename,           // one object is selected
};

struct CommandInfo {
    int id;
    std::string_view text;  // with its & mnemonic; after a tab, a key the menu only shows
    std::array<std::string_view, 2> keys;  // "Ctrl+N" style; empty when none
    std::string_view prompt;               // the status bar's line while the command is highlighted
    CommandRule rule;
    CommandHandler run = nullptr;  // null: the command does nothing
    int kind = -1;                 // primitive kind or light tool code of a tool command
    bool checkable = false;
};

std::span<const CommandInfo> CommandTable();
// Null for an identifier the table does not hold.
const CommandInfo* FindCommand(int id);

// What the rules read.
struct CommandContext {
    const DocumentCore* document = nullptr;  // the active document, if any
    ToolMode tool_mode = ToolMode::Select;
    int primitive_kind = 0;
    int light_tool = 1;
    bool modelling_view_active = false;
    bool camera_view_active = false;  // the active window has modelling views of any projection
    bool render_available = false;    // the render window can be opened
    bool render_window_active = false;
    bool render_finished = false;
    bool clipboard_has_objects = false;  // the clipboard holds kObjectsMimeType data
    bool toolbar_shown = true;
    bool status_bar_shown = true;
    bool snap_to_grid = false;
    bool objects_panel_shown = false;
    bool properties_panel_shown = false;
};

CommandState EvaluateCommand(const CommandInfo& command, const CommandContext& context);

// The clipboard format of copied objects: the bytes of a scene file holding only them.
inline constexpr char kObjectsMimeType[] = "application/x-kelto-objects";

// The menu text of Undo and Redo for the document's next step ("&Undo Move Sphere1"), or
// the plain text when there is none.
std::string UndoMenuText(const DocumentCore* document);
std::string RedoMenuText(const DocumentCore* document);

// The recent-file commands 57616 .. 57621: "&1 name" .. "&6 name".
inline constexpr int kRecentFileCommands = 6;

}  // namespace kelto

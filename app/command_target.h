// What the commands of the command table act on: one function per command (or per family of
// commands that differ only by the data of their row). The table names these functions in its
// rows; the main window implements them. Each is called only while its row's rule enables it.
#pragma once

namespace kelto {

struct CommandInfo;

class CommandTarget {
  public:
    // File
    virtual void OnFileNew(const CommandInfo& command) = 0;
    virtual void OnFileOpen(const CommandInfo& command) = 0;
    virtual void OnFileClose(const CommandInfo& command) = 0;
    virtual void OnFileSave(const CommandInfo& command) = 0;  // Save and Save As
    virtual void OnImportObject(const CommandInfo& command) = 0;
    virtual void OnExportScene(const CommandInfo& command) = 0;
    virtual void OnRunScript(const CommandInfo& command) = 0;
    virtual void OnAppExit(const CommandInfo& command) = 0;
    // Edit
    virtual void OnEditUndo(const CommandInfo& command) = 0;
    virtual void OnEditRedo(const CommandInfo& command) = 0;
    virtual void OnEditCopy(const CommandInfo& command) = 0;  // Copy and Cut
    virtual void OnEditPaste(const CommandInfo& command) = 0;
    virtual void OnEditDelete(const CommandInfo& command) = 0;
    virtual void OnEditDuplicate(const CommandInfo& command) = 0;
    // Object: the tools (the kind of a primitive or light tool is its row's)
    virtual void OnSelectTool(const CommandInfo& command) = 0;
    virtual void OnRotateTool(const CommandInfo& command) = 0;
    virtual void OnTextTool(const CommandInfo& command) = 0;
    virtual void OnSelectPrimitive(const CommandInfo& command) = 0;
    virtual void OnPrimitiveKind(const CommandInfo& command) = 0;
    virtual void OnSelectLight(const CommandInfo& command) = 0;
    virtual void OnLightKind(const CommandInfo& command) = 0;
    // Object: the commands
    virtual void OnGroup(const CommandInfo& command) = 0;
    virtual void OnTrim(const CommandInfo& command) = 0;
    virtual void OnIntersect(const CommandInfo& command) = 0;
    virtual void OnCombine(const CommandInfo& command) = 0;
    virtual void OnMaterialProperties(const CommandInfo& command) = 0;
    virtual void OnLightProperties(const CommandInfo& command) = 0;
    virtual void OnSnapToGrid(const CommandInfo& command) = 0;
    virtual void OnRename(const CommandInfo& command) = 0;
    virtual void OnEditText(const CommandInfo& command) = 0;
    // View
    virtual void OnViewToolbar(const CommandInfo& command) = 0;
    virtual void OnViewStatusBar(const CommandInfo& command) = 0;
    virtual void OnCameraPalette(const CommandInfo& command) = 0;
    virtual void OnMaterialsPalette(const CommandInfo& command) = 0;
    virtual void OnTopView(const CommandInfo& command) = 0;
    virtual void OnFrontView(const CommandInfo& command) = 0;
    virtual void OnRightSideView(const CommandInfo& command) = 0;
    virtual void OnFourViews(const CommandInfo& command) = 0;
    virtual void OnMoveCameraTool(const CommandInfo& command) = 0;
    virtual void OnFrameSelected(const CommandInfo& command) = 0;
    virtual void OnFrameAll(const CommandInfo& command) = 0;
    virtual void OnObjectsPanel(const CommandInfo& command) = 0;  // and Schematic View
    virtual void OnPropertiesPanel(const CommandInfo& command) = 0;
    // Render
    virtual void OnRender(const CommandInfo& command) = 0;
    virtual void OnStopRendering(const CommandInfo& command) = 0;
    virtual void OnSaveImage(const CommandInfo& command) = 0;
    virtual void OnSettings(const CommandInfo& command) = 0;
    // Window (New Window also opens the Perspective View)
    virtual void OnWindowNew(const CommandInfo& command) = 0;
    virtual void OnWindowCascade(const CommandInfo& command) = 0;
    virtual void OnWindowTile(const CommandInfo& command) = 0;
    virtual void OnWindowArrange(const CommandInfo& command) = 0;
    virtual void OnWindowNext(const CommandInfo& command) = 0;
    // Help
    virtual void OnHelpTip(const CommandInfo& command) = 0;
    virtual void OnHelpAbout(const CommandInfo& command) = 0;

  protected:
    CommandTarget() = default;
    ~CommandTarget() = default;
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;
};

// The function a row runs; null for a command that does nothing.
using CommandHandler = void (CommandTarget::*)(const CommandInfo&);

}  // namespace kelto

// The application's main window: the documents' windows in a multiple-document area, every
// command of the command table as an action in the menus, toolbars, keys and the modelling
// views' context menu, the status bar with its date and time, and the main frame's tool.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <vector>

#include "app/command_hooks.h"
#include "app/command_table.h"
#include "app/command_target.h"
#include "app/doc_template.h"
#include "interaction/text_tool_prompt.h"
#include "interaction/tool_state.h"
#include "platform/file_chooser.h"
#include "platform/messages.h"
#include "platform/program_settings.h"
#include "platform/settings.h"
#include "platform/window_thread.h"

class QAction;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;

namespace kelto {

class CChildFrame;
class CTalvorDoc;
class ObjectsPanel;
class PropertiesPanel;
class CTalvorView;
class DocumentFrame;
enum class FrameLayout;

// What the main window works through: message boxes, file dialogs, the settings store and
// the window thread's queue (the desktop's in the program, headless ones in the tests), and
// the folder of the installed data (the tips file).
struct AppServices {
    MessageSink& messages;
    FileChooser& files;
    SettingsStore& settings;
    WindowThread& window_thread;  // render news reaches the windows through it
    std::string data_folder;
};

class CMainFrame : public QMainWindow, public CommandTarget {
    Q_OBJECT

  public:
    explicit CMainFrame(AppServices services, QWidget* parent = nullptr);
    ~CMainFrame() override;

    QMdiArea* DocumentArea() const { return documents_area_; }
    // The action of a command of the table; null for other identifiers.
    QAction* Action(int id) const;
    QMenu* ViewContextMenu() const { return context_menu_; }
    const std::vector<QToolBar*>& ToolBars() const { return toolbars_; }
    QLabel* DatePane() const { return date_pane_; }
    QLabel* TimePane() const { return time_pane_; }

    // The current tool, which every modelling view reads.
    ToolState& Tools() { return tools_; }
    DocumentTemplate& ModellingTemplate() { return modelling_template_; }
    void SetHooks(CommandHooks hooks);
    const CommandHooks& Hooks() const { return hooks_; }
    const AppServices& Services() const { return services_; }

    // --- documents ---
    const std::vector<std::unique_ptr<CTalvorDoc>>& Documents() const { return documents_; }
    CTalvorDoc* ActiveDocument() const;
    // The modelling view commands act on: the active window's perspective view, or the last
    // one focused (views in parallel projection are not rendered).
    CTalvorView* ActiveModellingView() const;
    // The view of the active window the framing commands move: the pane focused last there.
    CTalvorView* CameraModellingView() const;
    // The "Cameras" panel, made on first use, shown and raised.
    void ShowCamerasPanel();
    // The modelling view that had the focus last, in any window (null before any had it).
    CTalvorView* FocusedModellingView() const;
    // What the text tool asks for its text: by default the "Text Tool" settings; the text
    // dialog replaces it. Every modelling view, open or opened later, asks the new one.
    void SetTextToolPrompt(std::unique_ptr<TextToolPrompt> prompt);
    TextToolPrompt& TextPrompt() { return *text_prompt_; }
    // A new empty document ("Kelto1", "Kelto2", ...) in a modelling window.
    CTalvorDoc* NewDocument();
    // Opens a scene file in a new document (or brings forward the document that has it open).
    // On failure the core's message is shown, the windows stay as they were, and the result
    // is null.
    CTalvorDoc* OpenDocumentFile(const QString& path);
    // The same without showing the failure: the status says why.
    Result<CTalvorDoc*> TryOpenDocumentFile(const QString& path);
    // A document recovered from an autosave, in a modelling window: titled as it was, saved
    // where it belonged (`path`; empty for one never saved, then titled `title`), modified.
    CTalvorDoc* AddRecoveredDocument(std::unique_ptr<DocumentCore> core, const QString& path,
                                     const QString& title);
    // Another modelling window on the document.
    QMdiSubWindow* NewWindow(CTalvorDoc& document);
    // A new window of the template's kind on the document, shown and active; null when the
    // template gives none.
    QMdiSubWindow* OpenFrame(const DocumentTemplate& kind, CTalvorDoc& document);
    // Puts a new window on a document (the render window, say) in the area, shown and active;
    // the area takes it.
    QMdiSubWindow* ShowFrame(DocumentFrame* frame);
    // A modelling window of this layout on the document (the top, front, right side or four
    // views; the perspective one is NewWindow's).
    QMdiSubWindow* NewViewWindow(CTalvorDoc& document, FrameLayout layout);
    // Asks to save if needed, then closes all the document's windows; false on Cancel.
    bool CloseDocument(CTalvorDoc& document);
    const RecentFileList& RecentFiles() const { return recent_files_; }
    // "Kelto Settings"' values in effect.
    const GeneralSettings& General() const { return general_; }

    // --- commands ---
    // Runs the command's function when its rule enables it, then updates the commands.
    void OnCommand(int id);
    // Sets every action's enabled and checked state from the rules.
    void UpdateCommandUI();
    CommandContext CurrentCommandContext() const;
    // Modal dialogs of the Help menu.
    void ShowTipDialog();
    void ShowAboutBox();
    // Tells once that the modelling windows have no OpenGL.
    void ReportMissingOpenGL();

    // --- panels ---
    ObjectsPanel* Objects() const { return objects_panel_; }
    PropertiesPanel* Properties() const { return properties_panel_; }
    // Shows or hides both docks (the program shows them at start).
    void ShowPanels(bool shown);

  signals:
    // A document joined the window (new, opened or recovered).
    void DocumentAdded(CTalvorDoc* document);
    // A document's last window closed: the document goes (it is deleted later).
    void DocumentClosed(CTalvorDoc* document);
    // "Kelto Settings" was closed with OK.
    void SettingsApplied();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateStatusBar();
    void CreatePanels();
    // The panels show the active document.
    void PanelsFollowActiveDocument();
    QMenu* AddMenu(QMenu* parent, const QString& title, std::initializer_list<int> ids);
    void AddDocument(std::unique_ptr<CTalvorDoc> document);
    CChildFrame* MakeModellingFrame(CTalvorDoc& document, FrameLayout layout);
    void ConnectView(CTalvorView& view);
    // Every window's lens slider shows the lens of the view the camera bars act on.
    // Closes the render windows (of one document, or all), each asking its questions; false
    // when one stays open.
    bool CloseRenderWindows(const CTalvorDoc* document);
    void DocumentFramesChanged(CTalvorDoc* document);
    void OpenRecentFile(std::size_t index);
    void UpdateRecentFileActions();
    void RememberFile(const QString& path);
    void UpdateWindowMenu();
    void UpdateClock();
    void UpdateTitle();
    void WarnAboutTextures(CTalvorDoc& document);
    // Shows the message of a command that failed.
    void Report(const Status& status);

    // --- what the commands do (the command table's rows name these) ---
    void OnFileNew(const CommandInfo& command) override;
    void OnFileOpen(const CommandInfo& command) override;
    void OnFileClose(const CommandInfo& command) override;
    void OnFileSave(const CommandInfo& command) override;
    void OnImportObject(const CommandInfo& command) override;
    void OnExportScene(const CommandInfo& command) override;
    void OnRunScript(const CommandInfo& command) override;
    void OnAppExit(const CommandInfo& command) override;
    void OnEditUndo(const CommandInfo& command) override;
    void OnEditRedo(const CommandInfo& command) override;
    void OnEditCopy(const CommandInfo& command) override;
    void OnEditPaste(const CommandInfo& command) override;
    void OnEditDelete(const CommandInfo& command) override;
    void OnEditDuplicate(const CommandInfo& command) override;
    void OnSelectTool(const CommandInfo& command) override;
    void OnRotateTool(const CommandInfo& command) override;
    void OnTextTool(const CommandInfo& command) override;
    void OnSelectPrimitive(const CommandInfo& command) override;
    void OnPrimitiveKind(const CommandInfo& command) override;
    void OnSelectLight(const CommandInfo& command) override;
    void OnLightKind(const CommandInfo& command) override;
    void OnGroup(const CommandInfo& command) override;
    void OnTrim(const CommandInfo& command) override;
    void OnIntersect(const CommandInfo& command) override;
    void OnCombine(const CommandInfo& command) override;
    void OnMaterialProperties(const CommandInfo& command) override;
    void OnLightProperties(const CommandInfo& command) override;
    void OnSnapToGrid(const CommandInfo& command) override;
    void OnRename(const CommandInfo& command) override;
    void OnEditText(const CommandInfo& command) override;
    // A double click on a Text object in one of the document's views.
    void EditTextIn(CTalvorView* view, NodeId node);
    void OnViewToolbar(const CommandInfo& command) override;
    void OnViewStatusBar(const CommandInfo& command) override;
    void OnCameraPalette(const CommandInfo& command) override;
    void OnMaterialsPalette(const CommandInfo& command) override;
    void OnTopView(const CommandInfo& command) override;
    void OnFrontView(const CommandInfo& command) override;
    void OnRightSideView(const CommandInfo& command) override;
    void OnFourViews(const CommandInfo& command) override;
    void OnMoveCameraTool(const CommandInfo& command) override;
    void OnFrameSelected(const CommandInfo& command) override;
    void OnFrameAll(const CommandInfo& command) override;
    void OnObjectsPanel(const CommandInfo& command) override;
    void OnPropertiesPanel(const CommandInfo& command) override;
    void OnRender(const CommandInfo& command) override;
    void OnStopRendering(const CommandInfo& command) override;
    void OnSaveImage(const CommandInfo& command) override;
    void OnSettings(const CommandInfo& command) override;
    void OnWindowNew(const CommandInfo& command) override;
    void OnWindowCascade(const CommandInfo& command) override;
    void OnWindowTile(const CommandInfo& command) override;
    void OnWindowArrange(const CommandInfo& command) override;
    void OnWindowNext(const CommandInfo& command) override;
    void OnHelpTip(const CommandInfo& command) override;
    void OnHelpAbout(const CommandInfo& command) override;

    AppServices services_;
    QMdiArea* documents_area_;  // owned by the window
    ToolState tools_;
    GeneralSettings general_;
    class CamerasPanel* cameras_panel_ =
        nullptr;  // made on first use, owned by the window  // "Kelto Settings" beside the tools'
                  // modelling settings
    std::unique_ptr<TextToolPrompt> text_prompt_;
    DocumentTemplate modelling_template_;
    CommandHooks hooks_;
    std::vector<std::unique_ptr<CTalvorDoc>> documents_;
    int untitled_count_ = 0;
    QPointer<CTalvorView> last_view_;
    QPointer<CTalvorView> focused_view_;  // the last modelling view to take the focus
    std::map<int, QAction*> actions_;
    std::vector<QAction*> recent_actions_;
    QActionGroup* shapes_group_ = nullptr;
    QActionGroup* lights_group_ = nullptr;
    QMenu* context_menu_ = nullptr;
    QMenu* window_menu_ = nullptr;
    QAction* window_list_separator_ = nullptr;
    std::vector<QAction*> window_list_;
    std::vector<QToolBar*> toolbars_;
    QLabel* date_pane_ = nullptr;
    QLabel* time_pane_ = nullptr;
    QTimer* clock_ = nullptr;
    RecentFileList recent_files_;
    bool told_no_opengl_ = false;
    ObjectsPanel* objects_panel_ = nullptr;        // owned by the window
    PropertiesPanel* properties_panel_ = nullptr;  // owned by the window
};

}  // namespace kelto

// What the main window's commands do: the functions the command table's rows name, and the
// recent-file commands of the File menu.
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>

#include "app/about_dialog.h"
#include "app/child_frame.h"
#include "app/main_frame.h"
#include "app/objects_panel.h"
#include "app/properties_panel.h"
#include "app/run_script.h"
#include "app/settings_dialog.h"
#include "app/talvor_doc.h"
#include "app/tip_dialog.h"
#include "app/tip_file.h"
#include "document/export_cameras.h"
#include "files/file_io.h"
#include "files/scene_export.h"
#include "views/talvor_view.h"

namespace kelto {

using namespace command_ids;

void CMainFrame::OnCommand(int id) {
    const CommandInfo* command = FindCommand(id);
    if (command == nullptr || !EvaluateCommand(*command, CurrentCommandContext()).enabled) {
        return;
    }
    if (command->run != nullptr) {
        CommandTarget& target = *this;
        (target.*command->run)(*command);
    }
    UpdateCommandUI();
}

void CMainFrame::OpenRecentFile(std::size_t index) {
    if (index < recent_files_.Files().size()) {
        OpenDocumentFile(QString::fromStdString(recent_files_.Files()[index]));
    }
}

void CMainFrame::Report(const Status& status) {
    if (!status.ok()) {
        services_.messages.Show(status);
    }
}

// --- File ---

void CMainFrame::OnFileNew(const CommandInfo& /*command*/) {
    NewDocument();
}

void CMainFrame::OnFileOpen(const CommandInfo& /*command*/) {
    FileDialogRequest request;
    request.title = kOpenSceneTitle;
    request.filters = SceneFileFilters();
    if (CTalvorDoc* document = ActiveDocument(); document && !document->PathName().isEmpty()) {
        request.initial_name = QFileInfo(document->PathName()).absolutePath().toStdString();
    }
    const std::optional<FileChoice> choice = services_.files.ChooseFileToOpen(request);
    if (choice && !choice->path.empty()) {
        OpenDocumentFile(QString::fromStdString(choice->path));
    }
}

void CMainFrame::OnFileClose(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        CloseDocument(*document);
    }
}

void CMainFrame::OnFileSave(const CommandInfo& command) {
    if (CTalvorDoc* document = ActiveDocument()) {
        document->DoSave(command.id == kSaveAs);
    }
}

void CMainFrame::OnImportObject(const CommandInfo& /*command*/) {
    CTalvorDoc* document = ActiveDocument();
    if (document == nullptr) {
        return;
    }
    FileDialogRequest request;
    request.title = kImportObjectTitle;
    request.filters = ImportObjectFilters();
    request.initial_name = "*.3ds";
    const std::optional<FileChoice> choice = services_.files.ChooseFileToOpen(request);
    if (!choice || choice->path.empty()) {
        return;
    }
    const Result<ImportedObjects> imported = document->Core().ImportObject(choice->path);
    if (!imported.ok()) {
        Report(imported.status());
        return;
    }
    for (const Status& warning : imported->warnings) {
        services_.messages.Show(warning);
    }
}

void CMainFrame::OnExportScene(const CommandInfo& /*command*/) {
    CTalvorDoc* document = ActiveDocument();
    if (document == nullptr) {
        return;
    }
    const DocumentCore& core = document->Core();
    FileDialogRequest request;
    request.title = kExportTitle;
    request.filters = ExportFilters();
    request.option_text = kSelectionOnlyOption;
    request.option_checked = core.GetScene().CountSelectedNodes() > 0;
    const std::optional<FileChoice> choice = services_.files.ChooseFileToSave(request);
    if (!choice || choice->path.empty()) {
        return;
    }
    // A name without one of the formats' extensions gets the chosen type's.
    std::string path = choice->path;
    const std::string extension = LowerCase(ExtensionOf(path));
    const bool known = std::ranges::any_of(
        ExportFormats(), [&](const ExportFormat& format) { return format.extension == extension; });
    if (!known) {
        const std::size_t type =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(choice->filter_index, 0)),
                                  request.filters.size() - 1);
        path += request.filters[type].patterns.front().substr(1);  // "*.glb" -> ".glb"
    }
    ExportOptions options;
    options.selection_only = choice->option_checked;
    options.cameras = ExportCamerasOf(core);
    const Result<ExportReport> written = WriteSceneAs(core.GetScene(), path, options);
    if (!written.ok()) {
        Report(written.status());
        return;
    }
    for (const Status& warning : written->warnings) {
        Report(warning);
    }
}

void CMainFrame::OnRunScript(const CommandInfo& /*command*/) {
    CTalvorDoc* document = ActiveDocument();
    if (document == nullptr) {
        return;
    }
    FileDialogRequest request;
    request.title = kRunScriptTitle;
    request.filters = ScriptFilters();
    const std::optional<FileChoice> choice = services_.files.ChooseFileToOpen(request);
    if (!choice || choice->path.empty()) {
        return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const Status ran =
        RunScript(document->Core(), document->PathName().toStdString(), choice->path);
    QGuiApplication::restoreOverrideCursor();
    Report(ran);
}

void CMainFrame::OnAppExit(const CommandInfo& /*command*/) {
    close();
}

// --- Edit ---

void CMainFrame::OnEditUndo(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        Report(document->Core().Undo());
    }
}

void CMainFrame::OnEditRedo(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        Report(document->Core().Redo());
    }
}

void CMainFrame::OnEditCopy(const CommandInfo& command) {
    CTalvorDoc* document = ActiveDocument();
    if (document == nullptr) {
        return;
    }
    const std::vector<std::uint8_t> bytes =
        command.id == kCut ? document->Core().CutSelection() : document->Core().CopySelection();
    auto* data = new QMimeData;  // the clipboard takes it
    data->setData(kObjectsMimeType, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<qsizetype>(bytes.size())));
    QGuiApplication::clipboard()->setMimeData(data);
}

void CMainFrame::OnEditPaste(const CommandInfo& /*command*/) {
    CTalvorDoc* document = ActiveDocument();
    if (document == nullptr) {
        return;
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const QByteArray bytes = data ? data->data(kObjectsMimeType) : QByteArray();
    // Beside its originals when they are still where it would land, so that it is seen.
    Report(document->Core()
               .Paste(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                static_cast<std::size_t>(bytes.size())),
                      tools_.GridStep())
               .status());
}

void CMainFrame::OnEditDelete(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        document->Core().DeleteSelection();
    }
}

void CMainFrame::OnEditDuplicate(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        Report(document->Core().Duplicate(tools_.GridStep()).status());
    }
}

// --- Object: the tools ---

void CMainFrame::OnSelectTool(const CommandInfo& /*command*/) {
    tools_.SetMode(ToolMode::Select);
}

void CMainFrame::OnRotateTool(const CommandInfo& /*command*/) {
    tools_.SetMode(ToolMode::Rotate);
}

void CMainFrame::OnTextTool(const CommandInfo& /*command*/) {
    tools_.SetMode(ToolMode::Text);
}

void CMainFrame::OnSelectPrimitive(const CommandInfo& /*command*/) {
    tools_.ChoosePrimitive(tools_.PrimitiveKind());
}

void CMainFrame::OnPrimitiveKind(const CommandInfo& command) {
    tools_.ChoosePrimitive(command.kind);
}

void CMainFrame::OnSelectLight(const CommandInfo& /*command*/) {
    tools_.ChooseLight(tools_.LightTool());
}

void CMainFrame::OnLightKind(const CommandInfo& command) {
    tools_.ChooseLight(command.kind);
}

// --- Object: the commands ---

void CMainFrame::OnGroup(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        document->Core().Group();
    }
}

void CMainFrame::OnTrim(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        Report(document->Core().Trim().status());
    }
}

void CMainFrame::OnIntersect(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        Report(document->Core().Intersect().status());
    }
}

void CMainFrame::OnCombine(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        Report(document->Core().Combine().status());
    }
}

void CMainFrame::OnMaterialProperties(const CommandInfo& /*command*/) {
    CTalvorDoc* document = ActiveDocument();
    if (document == nullptr || !hooks_.material_properties) {
        return;
    }
    if (const SceneNode* node = document->Core().GetScene().FirstSelectedTopLevel()) {
        hooks_.material_properties(*document, node->id);
    }
}

void CMainFrame::OnEditText(const CommandInfo& /*command*/) {
    CTalvorDoc* document = ActiveDocument();
    if (document == nullptr || !hooks_.edit_text) {
        return;
    }
    if (const SceneNode* node = document->Core().GetScene().FirstSelectedTopLevel()) {
        hooks_.edit_text(*document, node->id);
    }
}

void CMainFrame::OnLightProperties(const CommandInfo& /*command*/) {
    CTalvorDoc* document = ActiveDocument();
    if (document == nullptr || !hooks_.light_properties) {
        return;
    }
    const Scene& scene = document->Core().GetScene();
    const int index = scene.FirstSelectedLight();
    if (index >= 0) {
        hooks_.light_properties(*document, scene.Lights()[static_cast<std::size_t>(index)].id);
    }
}

void CMainFrame::OnSnapToGrid(const CommandInfo& /*command*/) {
    tools_.SetSnapToGrid(!tools_.SnapToGrid());
    WriteModellingSettings(services_.settings, tools_.Modelling());
}

void CMainFrame::OnRename(const CommandInfo& /*command*/) {
    objects_panel_->show();
    objects_panel_->raise();
    objects_panel_->RenameSelected();
}

// --- View ---

void CMainFrame::OnObjectsPanel(const CommandInfo& /*command*/) {
    objects_panel_->setVisible(objects_panel_->isHidden());
}

void CMainFrame::OnPropertiesPanel(const CommandInfo& /*command*/) {
    properties_panel_->setVisible(properties_panel_->isHidden());
}

void CMainFrame::OnViewToolbar(const CommandInfo& /*command*/) {
    const bool show = toolbars_.front()->isHidden();
    for (QToolBar* bar : toolbars_) {
        bar->setVisible(show);
    }
}

void CMainFrame::OnViewStatusBar(const CommandInfo& /*command*/) {
    statusBar()->setVisible(statusBar()->isHidden());
}

void CMainFrame::OnCameraPalette(const CommandInfo& /*command*/) {
    ShowCamerasPanel();
}

void CMainFrame::OnMaterialsPalette(const CommandInfo& /*command*/) {
    if (hooks_.materials_palette) {
        hooks_.materials_palette();
    }
}

void CMainFrame::OnTopView(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        NewViewWindow(*document, FrameLayout::Top);
    }
}

void CMainFrame::OnFrontView(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        NewViewWindow(*document, FrameLayout::Front);
    }
}

void CMainFrame::OnRightSideView(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        NewViewWindow(*document, FrameLayout::RightSide);
    }
}

void CMainFrame::OnMoveCameraTool(const CommandInfo& /*command*/) {
    tools_.SetMode(ToolMode::MoveCamera);
}

void CMainFrame::OnFrameSelected(const CommandInfo& /*command*/) {
    if (CTalvorView* view = CameraModellingView()) {
        view->FrameSelected();
    }
}

void CMainFrame::OnFrameAll(const CommandInfo& /*command*/) {
    if (CTalvorView* view = CameraModellingView()) {
        view->FrameAll();
    }
}

void CMainFrame::OnFourViews(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        NewViewWindow(*document, FrameLayout::FourViews);
    }
}

// --- Render ---

void CMainFrame::OnRender(const CommandInfo& /*command*/) {
    CTalvorDoc* document = ActiveDocument();
    CTalvorView* view = ActiveModellingView();
    if (document != nullptr && view != nullptr && hooks_.render) {
        hooks_.render(*document, *view);
    }
}

void CMainFrame::OnStopRendering(const CommandInfo& /*command*/) {
    if (hooks_.stop_rendering) {
        hooks_.stop_rendering(documents_area_->currentSubWindow());
    }
}

void CMainFrame::OnSaveImage(const CommandInfo& /*command*/) {
    if (hooks_.save_image) {
        hooks_.save_image(documents_area_->currentSubWindow());
    }
}

void CMainFrame::OnSettings(const CommandInfo& /*command*/) {
    KeltoSettingsDialog dialog(tools_.Modelling(), general_, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    general_ = dialog.General();
    WriteGeneralSettings(services_.settings, general_);
    WriteModellingSettings(services_.settings, dialog.Modelling());
    tools_.SetModelling(dialog.Modelling());
    for (const auto& document : documents_) {
        document->Core().SetUndoLimit(static_cast<std::size_t>(general_.undo_steps));
    }
    emit SettingsApplied();
}

// --- Window ---

void CMainFrame::OnWindowNew(const CommandInfo& /*command*/) {
    if (CTalvorDoc* document = ActiveDocument()) {
        NewWindow(*document);
    }
}

void CMainFrame::OnWindowCascade(const CommandInfo& /*command*/) {
    documents_area_->cascadeSubWindows();
}

void CMainFrame::OnWindowTile(const CommandInfo& /*command*/) {
    documents_area_->tileSubWindows();
}

void CMainFrame::OnWindowArrange(const CommandInfo& /*command*/) {
    // The minimised windows in a row along the bottom of the area.
    const QRect area = documents_area_->viewport()->rect();
    int x = 0;
    for (QMdiSubWindow* window : documents_area_->subWindowList()) {
        if (!window->isMinimized()) {
            continue;
        }
        const QSize size = window->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
        }
        window->move(x, area.height() - size.height());
        x += size.width();
    }
}

void CMainFrame::OnWindowNext(const CommandInfo& /*command*/) {
    documents_area_->activateNextSubWindow();
}

// --- Help ---

void CMainFrame::OnHelpTip(const CommandInfo& /*command*/) {
    ShowTipDialog();
}

void CMainFrame::OnHelpAbout(const CommandInfo& /*command*/) {
    ShowAboutBox();
}

void CMainFrame::ShowTipDialog() {
    CTipDlg dialog(services_.settings, FindTipFile(services_.data_folder), this);
    dialog.exec();
}

void CMainFrame::ShowAboutBox() {
    CAboutDlg dialog(this);
    dialog.exec();
}

}  // namespace kelto

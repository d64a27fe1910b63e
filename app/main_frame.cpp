#include "main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>
#include <ctime>
#include <vector>

#include "app/cameras_panel.h"
#include "app/child_frame.h"
#include "app/command_icons.h"
#include "app/objects_panel.h"
#include "app/properties_panel.h"
#include "app/render_commands.h"
#include "app/render_frame.h"
#include "app/running_renders.h"
#include "app/system_info.h"
#include "app/talvor_doc.h"
#include "model/child_list.h"
#include "model/message_table.h"
#include "views/camera_bars.h"
#include "views/talvor_view.h"

namespace kelto {

using namespace command_ids;

namespace {

QString PlainText(std::string_view text) {
    QString plain = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    const int tab = plain.indexOf('\t');
    if (tab >= 0) {
        plain.truncate(tab);
    }
    return plain.remove('&');
}

// The texture-less image materials of a scene, by object name.
void CollectUnusableTextures(const SceneNode& parent, QStringList& names) {
    for (const SceneNode* node : Children(parent)) {
        const Material& m = node->material;
        if (m.colour_source == 1 && (!m.colour_image || !m.colour_image->HasPixels())) {
            names << QString::fromStdString(node->name);
        }
        CollectUnusableTextures(*node, names);
    }
}

}  // namespace

CMainFrame::CMainFrame(AppServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      documents_area_(new QMdiArea(this)),
      text_prompt_(std::make_unique<SettingsTextToolPrompt>(services_.settings)),
      modelling_template_(kDocumentResourceId, kDocumentStrings) {
    setWindowTitle("Kelto");
    setWindowIcon(ApplicationIcon());
    setCentralWidget(documents_area_);
    setAcceptDrops(true);
    resize(1024, 768);
    documents_area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    documents_area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    modelling_template_.SetFrameFactory([this](CTalvorDoc& document) -> QMdiSubWindow* {
        return MakeModellingFrame(document, FrameLayout::Perspective);
    });

    recent_files_.Load(services_.settings);
    tools_.SetModelling(ReadModellingSettings(services_.settings));
    general_ = ReadGeneralSettings(services_.settings);
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();
    CreatePanels();

    tools_.SetListener([this] {
        UpdateCommandUI();
        // The rotate tool shows rings instead of handles: every view changes.
        for (const auto& document : documents_) {
            document->UpdateAllViews();
        }
    });
    connect(documents_area_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (auto* child = qobject_cast<CChildFrame*>(window)) {
            last_view_ = &child->View();
        }
        UpdateTitle();
        UpdateCommandUI();
    });
    // Paste follows what the clipboard holds, whoever put it there.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { UpdateCommandUI(); });
    UpdateRecentFileActions();
    new RenderCommands(*this);  // the render commands' hooks
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    // The docks hide as the window goes: nothing is left to update.
    disconnect(objects_panel_, nullptr, this, nullptr);
    disconnect(properties_panel_, nullptr, this, nullptr);
    // The windows go before their documents.
    for (const auto& document : documents_) {
        document->SetClosing(true);
        disconnect(document.get(), nullptr, this, nullptr);
    }
    for (DocumentFrame* window : documents_area_->findChildren<DocumentFrame*>()) {
        delete window;
    }
    documents_.clear();
}

QAction* CMainFrame::Action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::SetHooks(CommandHooks hooks) {
    hooks_ = std::move(hooks);
    UpdateCommandUI();
}

// --- actions, menus, toolbars ---

void CMainFrame::CreateActions() {
    shapes_group_ = new QActionGroup(this);
    shapes_group_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    lights_group_ = new QActionGroup(this);
    lights_group_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const CommandInfo& command : CommandTable()) {
        auto* action = new QAction(
            QString::fromUtf8(command.text.data(), static_cast<int>(command.text.size())), this);
        action->setObjectName(QString("command_%1").arg(command.id));
        action->setData(command.id);
        action->setToolTip(PlainText(command.text));
        // What a toolbar button and a screen reader call it.
        action->setIconText(PlainText(command.text).remove("..."));
        action->setStatusTip(
            QString::fromUtf8(command.prompt.data(), static_cast<int>(command.prompt.size())));
        QList<QKeySequence> keys;
        for (std::string_view key : command.keys) {
            if (!key.empty()) {
                keys << QKeySequence(QString::fromUtf8(key.data(), static_cast<int>(key.size())));
            }
        }
        action->setShortcuts(keys);
        action->setIcon(CommandIcon(command.id));
        action->setCheckable(command.checkable);
        if (command.rule == CommandRule::PrimitiveKind) {
            shapes_group_->addAction(action);
        } else if (command.rule == CommandRule::LightKind) {
            lights_group_->addAction(action);
        }
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        addAction(action);  // its keys work wherever the focus is in the window
        actions_[id] = action;
    }
    for (int i = 0; i < kRecentFileCommands; ++i) {
        auto* action = new QAction(this);
        action->setObjectName(QString("command_%1").arg(kRecentFile1 + i));
        action->setStatusTip("Open this scene file");
        const auto index = static_cast<std::size_t>(i);
        connect(action, &QAction::triggered, this, [this, index] { OpenRecentFile(index); });
        recent_actions_.push_back(action);
        actions_[kRecentFile1 + i] = action;
    }
}

QMenu* CMainFrame::AddMenu(QMenu* menu, const QString& title, std::initializer_list<int> ids) {
    QMenu* target = title.isEmpty() ? menu : menu->addMenu(title);
    for (int id : ids) {
        if (id == 0) {
            target->addSeparator();
        } else {
            target->addAction(Action(id));
        }
    }
    return target;
}

void CMainFrame::CreateMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu("&File");
    AddMenu(file, {},
            {kNew, kOpen, kClose, kSave, kSaveAs, 0, kImportObject, kExportScene, kRunScript, 0});
    for (QAction* action : recent_actions_) {
        file->addAction(action);
    }
    file->addSeparator();
    file->addAction(Action(kExit));

    QMenu* edit = bar->addMenu("&Edit");
    AddMenu(edit, {}, {kUndo, kRedo, 0, kCut, kCopy, kPaste, kDelete, kDuplicate});

    QMenu* view = bar->addMenu("&View");
    AddMenu(view, {},
            {kToolbar, kStatusBar, kObjectsPanel, kPropertiesPanel, 0, kCameraPalette,
             kMaterialsPalette, 0, kTopView, kFrontView, kRightSideView, kPerspectiveView,
             kFourViews, kSchematicView, 0, kFrameSelected, kFrameAll, kMoveCamera});

    QMenu* object = bar->addMenu("&Object");
    AddMenu(object, {}, {kSelectTool, kRotateTool, kTextTool, kJoinObjectsTool, 0});
    QMenu* shapes = AddMenu(object, "Sha&pes", {kSelectPrimitive, 0});
    for (ObjectType type : kPrimitiveTools) {
        shapes->addAction(Action(ToolCommandOf(type)));
    }
    AddMenu(object, "&Lights", {kSelectLight, 0, kAreaLight, kPointLight, kSpotLight});
    AddMenu(object, {},
            {0, kGroup, kTrim, kIntersect, kCombine, 0, kMaterialProperties, kLightProperties,
             kEditText, kRename, 0, kMoveRotationCentre, kPuttyTool, kLathe, kLathedCurve});
    AddMenu(object, "C&urves", {kNurbsCurve, kNurbsCurveClosed});
    AddMenu(object, "&2D Shapes", {kRectangleShape, kEllipseShape, kPolygonShape, kFreehandShape});
    AddMenu(object, "Pat&h",
            {kPathPick, kPathDraw, kPathInsertPoint, kPathRemovePoint, kPathConvertPoint});
    AddMenu(object, {}, {0, kExtrusionWizard, kSceneWizard, kSnapToGrid, kDebug1});

    QMenu* render = bar->addMenu("&Render");
    AddMenu(render, {}, {kRender, kStopRendering, kSaveImage, 0, kSettings});

    window_menu_ = bar->addMenu("&Window");
    AddMenu(window_menu_, {}, {kNewWindow, kCascade, kTile, kArrangeIcons, kNextWindow});
    window_list_separator_ = window_menu_->addSeparator();
    connect(window_menu_, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowMenu);

    QMenu* help = bar->addMenu("&Help");
    AddMenu(help, {}, {kTipOfTheDay, 0, kAbout});

    for (QMenu* menu : {file, edit, view, object, render, window_menu_, help}) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }

    context_menu_ = new QMenu(this);
    context_menu_->addAction(Action(kMaterialProperties));
    context_menu_->addAction(Action(kLightProperties));
}

void CMainFrame::CreateToolBars() {
    auto add = [this](const QString& title, const std::vector<int>& ids) {
        QToolBar* bar = addToolBar(title);
        bar->setObjectName(title);
        bar->setIconSize(QSize(24, 24));
        for (int id : ids) {
            if (id == 0) {
                bar->addSeparator();
            } else {
                bar->addAction(Action(id));
            }
        }
        toolbars_.push_back(bar);
    };
    add("File", {kNew, kOpen, kSave, 0, kCut, kCopy, kPaste, 0, kToolbarUndo, 0, kAbout});
    add("Tools", {kSelectTool, kRotateTool, kTextTool, kMoveCameraToolbar, kJoinObjectsTool, 0,
                  kGroup, kTrim, 0, kMaterialProperties, kLightProperties, 0, kRender});
    std::vector<int> shapes;
    for (ObjectType type : kPrimitiveTools) {
        shapes.push_back(ToolCommandOf(type));
    }
    add("Shapes", shapes);
    add("Lights", {kAreaLight, kPointLight, kSpotLight});
}

void CMainFrame::CreateStatusBar() {
    date_pane_ = new QLabel(this);
    date_pane_->setObjectName("date_pane");
    time_pane_ = new QLabel(this);
    time_pane_->setObjectName("time_pane");
    for (QLabel* pane : {date_pane_, time_pane_}) {
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setContentsMargins(4, 0, 4, 0);
        statusBar()->addPermanentWidget(pane);
    }
    statusBar()->showMessage("Ready");
    clock_ = new QTimer(this);
    connect(clock_, &QTimer::timeout, this, &CMainFrame::UpdateClock);
    clock_->start(1000);
    UpdateClock();
}

void CMainFrame::CreatePanels() {
    auto report = [this](const Status& status) {
        if (!status.ok()) {
            services_.messages.Show(status);
        }
    };
    objects_panel_ = new ObjectsPanel(report, this);
    properties_panel_ =
        new PropertiesPanel(report, Action(kMaterialProperties), Action(kLightProperties), this);
    addDockWidget(Qt::RightDockWidgetArea, objects_panel_);
    addDockWidget(Qt::RightDockWidgetArea, properties_panel_);
    for (QDockWidget* dock : {static_cast<QDockWidget*>(objects_panel_),
                              static_cast<QDockWidget*>(properties_panel_)}) {
        dock->hide();
        connect(dock, &QDockWidget::visibilityChanged, this, [this] { UpdateCommandUI(); });
    }
}

void CMainFrame::ShowPanels(bool shown) {
    objects_panel_->setVisible(shown);
    properties_panel_->setVisible(shown);
}

void CMainFrame::PanelsFollowActiveDocument() {
    CTalvorDoc* document = ActiveDocument();
    objects_panel_->SetDocument(document);
    properties_panel_->SetDocument(document);
}

void CMainFrame::UpdateClock() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    date_pane_->setText(QString::fromStdString(StatusDateText(local)));
    time_pane_->setText(QString::fromStdString(StatusTimeText(local)));
}

// --- command states ---

CommandContext CMainFrame::CurrentCommandContext() const {
    CommandContext context;
    CTalvorDoc* document = ActiveDocument();
    context.document = document ? &document->Core() : nullptr;
    context.tool_mode = tools_.Mode();
    context.primitive_kind = tools_.PrimitiveKind();
    context.light_tool = tools_.LightTool();
    context.modelling_view_active = ActiveModellingView() != nullptr;
    context.camera_view_active = CameraModellingView() != nullptr;
    context.render_available = static_cast<bool>(hooks_.render);
    if (hooks_.render_window_state) {
        const RenderWindowState state =
            hooks_.render_window_state(documents_area_->currentSubWindow());
        context.render_window_active = state.is_render_window;
        context.render_finished = state.finished;
    }
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    context.clipboard_has_objects = clipboard != nullptr && clipboard->hasFormat(kObjectsMimeType);
    context.toolbar_shown = !toolbars_.empty() && !toolbars_.front()->isHidden();
    context.status_bar_shown = !statusBar()->isHidden();
    context.snap_to_grid = tools_.SnapToGrid();
    context.objects_panel_shown = objects_panel_ != nullptr && !objects_panel_->isHidden();
    context.properties_panel_shown = properties_panel_ != nullptr && !properties_panel_->isHidden();
    return context;
}

void CMainFrame::UpdateCommandUI() {
    if (objects_panel_ != nullptr) {
        PanelsFollowActiveDocument();
    }
    if (cameras_panel_ != nullptr) {
        cameras_panel_->Refresh();
    }
    const CommandContext context = CurrentCommandContext();
    for (const CommandInfo& command : CommandTable()) {
        QAction* action = Action(command.id);
        const CommandState state = EvaluateCommand(command, context);
        action->setEnabled(state.enabled);
        if (command.checkable) {
            action->setChecked(state.checked);
        }
    }
    // Undo and Redo name the step they act on.
    const QString undo = QString::fromStdString(UndoMenuText(context.document));
    Action(kUndo)->setText(undo);
    Action(kToolbarUndo)->setText(QString(undo).remove('&'));
    Action(kRedo)->setText(QString::fromStdString(RedoMenuText(context.document)));
    // The group buttons show the kind chosen last.
    static constexpr int kLightCommands[] = {kAreaLight, kPointLight, kSpotLight};
    Action(kSelectPrimitive)
        ->setIcon(CommandIcon(ToolCommandOf(PrimitiveKindType(tools_.PrimitiveKind()))));
    Action(kSelectLight)->setIcon(CommandIcon(kLightCommands[tools_.LightTool()]));
}

// --- documents ---

CTalvorDoc* CMainFrame::ActiveDocument() const {
    if (auto* frame = qobject_cast<DocumentFrame*>(documents_area_->currentSubWindow())) {
        return &frame->Document();
    }
    // With the focus outside the windows (a toolbar), the window shown on top.
    const QList<QMdiSubWindow*> windows =
        documents_area_->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (auto* frame = qobject_cast<DocumentFrame*>(*it)) {
            return &frame->Document();
        }
    }
    return nullptr;
}

CTalvorView* CMainFrame::ActiveModellingView() const {
    QMdiSubWindow* active = documents_area_->currentSubWindow();
    if (auto* child = qobject_cast<CChildFrame*>(active)) {
        return child->PerspectiveView();
    }
    if (active == nullptr && last_view_ && last_view_->IsPerspective()) {
        return last_view_.data();
    }
    return nullptr;
}

CTalvorView* CMainFrame::CameraModellingView() const {
    if (auto* child = qobject_cast<CChildFrame*>(documents_area_->currentSubWindow())) {
        return &child->CameraView();
    }
    return nullptr;
}

void CMainFrame::ShowCamerasPanel() {
    if (cameras_panel_ == nullptr) {
        cameras_panel_ =
            new CamerasPanel([this] { return ActiveDocument(); },
                             [this] { return CameraModellingView(); }, services_.messages, this);
        addDockWidget(Qt::RightDockWidgetArea, cameras_panel_);
    }
    cameras_panel_->Refresh();
    cameras_panel_->show();
    cameras_panel_->raise();
}

CTalvorView* CMainFrame::FocusedModellingView() const {
    return focused_view_.data();
}

CChildFrame* CMainFrame::MakeModellingFrame(CTalvorDoc& document, FrameLayout layout) {
    // A perspective view takes the camera the file stored for its place, or the scene's.
    std::optional<ViewEntry> camera;
    const std::size_t index = document.PerspectiveViews().size();
    if (layout == FrameLayout::Perspective || layout == FrameLayout::FourViews) {
        const std::vector<ViewEntry>& stored = document.Core().Views();
        if (index < stored.size()) {
            camera = stored[index];
        }
    }
    auto* frame = new CChildFrame(document, tools_, camera, layout);
    for (CTalvorView* view : frame->Views()) {
        ConnectView(*view);
    }
    // A perspective window without a stored camera of its own gets one at its place now, so
    // that cameras stored after it (the Cameras panel's) keep theirs.
    if (CTalvorView* view = frame->PerspectiveView(); view != nullptr && !camera) {
        ViewEntry own = view->CurrentView();
        own.name.clear();
        document.Core().SetView(index, own);
    }
    return frame;
}

void CMainFrame::SetTextToolPrompt(std::unique_ptr<TextToolPrompt> prompt) {
    if (!prompt) {
        return;
    }
    text_prompt_ = std::move(prompt);
    for (const auto& document : documents_) {
        for (CTalvorView* view : document->ModellingViews()) {
            view->SetTextPrompt(text_prompt_.get());
        }
    }
}

void CMainFrame::ConnectView(CTalvorView& view) {
    view.SetTextPrompt(text_prompt_.get());
    connect(&view, &CTalvorView::MessageRequested, this,
            [this](const Status& message) { services_.messages.Show(message); });
    // The dialog is modal: it opens once the mouse event is over.
    connect(&view, &CTalvorView::EditTextRequested, this,
            [this, viewed = QPointer<CTalvorView>(&view)](NodeId node) {
                QTimer::singleShot(0, this, [this, viewed, node] { EditTextIn(viewed, node); });
            });
    connect(&view, &CTalvorView::ContextMenuRequested, this, [this](const QPoint& at) {
        UpdateCommandUI();
        context_menu_->popup(at);
    });
    connect(&view, &CTalvorView::Focused, this, [this](CTalvorView* focused) {
        last_view_ = focused;
        focused_view_ = focused;
    });
    connect(&view, &CTalvorView::OpenGLMissing, this, &CMainFrame::ReportMissingOpenGL,
            Qt::QueuedConnection);
}

void CMainFrame::EditTextIn(CTalvorView* view, NodeId node) {
    for (const auto& document : documents_) {
        const std::vector<CTalvorView*> views = document->ModellingViews();
        if (view != nullptr && hooks_.edit_text &&
            std::find(views.begin(), views.end(), view) != views.end() &&
            document->Core().Node(node) != nullptr) {
            document->Core().SelectExactly(std::span<const NodeId>(&node, 1), {});
            hooks_.edit_text(*document, node);
            return;
        }
    }
}

void CMainFrame::ReportMissingOpenGL() {
    if (told_no_opengl_) {
        return;
    }
    told_no_opengl_ = true;
    services_.messages.Show(Status::Message(kMsgNoOpenGL));
}

void CMainFrame::AddDocument(std::unique_ptr<CTalvorDoc> document) {
    CTalvorDoc* doc = document.get();
    connect(doc, &CTalvorDoc::Changed, this, [this] {
        UpdateCommandUI();
        UpdateTitle();
    });
    connect(doc, &CTalvorDoc::Saved, this, [this](const QString& path) {
        RememberFile(path);
        UpdateTitle();
    });
    connect(doc, &CTalvorDoc::FramesChanged, this, [this, doc] { DocumentFramesChanged(doc); });
    doc->Core().SetUndoLimit(static_cast<std::size_t>(general_.undo_steps));
    documents_.push_back(std::move(document));
    emit DocumentAdded(doc);
}

void CMainFrame::DocumentFramesChanged(CTalvorDoc* document) {
    if (!document->Frames().empty()) {
        UpdateTitle();
        return;
    }
    // The last window is gone: so is the document.
    for (auto it = documents_.begin(); it != documents_.end(); ++it) {
        if (it->get() == document) {
            disconnect(document, nullptr, this, nullptr);
            it->release()->deleteLater();
            documents_.erase(it);
            emit DocumentClosed(document);
            break;
        }
    }
    UpdateTitle();
    UpdateCommandUI();
}

QMdiSubWindow* CMainFrame::ShowFrame(DocumentFrame* frame) {
    documents_area_->addSubWindow(frame);
    // A new window takes three quarters of the area (once the area has its size).
    const QSize area = documents_area_->viewport()->size();
    if (isVisible() && area.width() > 320 && area.height() > 240) {
        frame->resize(area.width() * 3 / 4, area.height() * 3 / 4);
    }
    frame->Document().AddFrame(frame);
    frame->show();
    // Within the area: a window placed past its edge is moved back in.
    if (isVisible() && area.width() > 320 && area.height() > 240) {
        const QRect placed = frame->geometry();
        frame->move(std::clamp(placed.x(), 0, std::max(0, area.width() - placed.width())),
                    std::clamp(placed.y(), 0, std::max(0, area.height() - placed.height())));
    }
    documents_area_->setActiveSubWindow(frame);
    frame->widget()->setFocus();
    UpdateTitle();
    UpdateCommandUI();
    return frame;
}

CTalvorDoc* CMainFrame::NewDocument() {
    auto document = std::make_unique<CTalvorDoc>(
        std::make_unique<DocumentCore>(), QString(),
        modelling_template_.DocumentName() + QString::number(++untitled_count_), services_.messages,
        services_.files);
    CTalvorDoc* doc = document.get();
    AddDocument(std::move(document));
    NewWindow(*doc);
    return doc;
}

CTalvorDoc* CMainFrame::AddRecoveredDocument(std::unique_ptr<DocumentCore> core,
                                             const QString& path, const QString& title) {
    auto document = std::make_unique<CTalvorDoc>(std::move(core), path, title, services_.messages,
                                                 services_.files);
    CTalvorDoc* doc = document.get();
    AddDocument(std::move(document));
    NewWindow(*doc);
    WarnAboutTextures(*doc);
    return doc;
}

QMdiSubWindow* CMainFrame::NewWindow(CTalvorDoc& document) {
    return OpenFrame(modelling_template_, document);
}

QMdiSubWindow* CMainFrame::OpenFrame(const DocumentTemplate& kind, CTalvorDoc& document) {
    auto* frame = qobject_cast<DocumentFrame*>(kind.OpenFrame(document));
    return frame ? ShowFrame(frame) : nullptr;
}

QMdiSubWindow* CMainFrame::NewViewWindow(CTalvorDoc& document, FrameLayout layout) {
    if (layout == FrameLayout::Perspective) {
        return NewWindow(document);
    }
    return ShowFrame(MakeModellingFrame(document, layout));
}

CTalvorDoc* CMainFrame::OpenDocumentFile(const QString& path) {
    Result<CTalvorDoc*> opened = TryOpenDocumentFile(path);
    if (!opened.ok()) {
        services_.messages.Show(opened.status());
        return nullptr;
    }
    return *opened;
}

Result<CTalvorDoc*> CMainFrame::TryOpenDocumentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (const auto& document : documents_) {
        if (!document->PathName().isEmpty() &&
            QFileInfo(document->PathName()) == QFileInfo(absolute)) {
            if (!document->Frames().empty()) {
                documents_area_->setActiveSubWindow(document->Frames().front());
            }
            return document.get();
        }
    }
    auto core = std::make_unique<DocumentCore>();
    const Status status = core->Open(absolute.toStdString());
    if (!status.ok()) {
        // A file that is no longer there leaves the recent list.
        if (!QFileInfo::exists(absolute)) {
            recent_files_.Remove(absolute.toStdString());
            recent_files_.Save(services_.settings);
            UpdateRecentFileActions();
        }
        return status;
    }
    auto document = std::make_unique<CTalvorDoc>(std::move(core), absolute, QString(),
                                                 services_.messages, services_.files);
    CTalvorDoc* doc = document.get();
    AddDocument(std::move(document));
    NewWindow(*doc);
    RememberFile(absolute);
    WarnAboutTextures(*doc);
    return doc;
}

void CMainFrame::WarnAboutTextures(CTalvorDoc& document) {
    QStringList names;
    CollectUnusableTextures(document.Core().GetScene().Root(), names);
    if (!names.isEmpty()) {
        services_.messages.Show(
            Status::Message(kMsgTextureUnusable, {names.join(", ").toStdString()}));
    }
}

bool CMainFrame::CloseDocument(CTalvorDoc& document) {
    if (!document.SaveModified()) {
        return false;
    }
    document.SetClosing(true);
    // The render windows first: one whose render or picture the user keeps keeps the
    // document open.
    if (!CloseRenderWindows(&document)) {
        document.SetClosing(false);
        return false;
    }
    const std::vector<DocumentFrame*> frames = document.Frames();
    for (DocumentFrame* frame : frames) {
        frame->close();
    }
    return true;
}

bool CMainFrame::CloseRenderWindows(const CTalvorDoc* document) {
    for (QMdiSubWindow* window : documents_area_->subWindowList()) {
        auto* render = qobject_cast<CRenderViewChildFrame*>(window);
        if (render != nullptr && (document == nullptr || &render->Document() == document) &&
            !render->close()) {
            return false;
        }
    }
    return true;
}

void CMainFrame::RememberFile(const QString& path) {
    recent_files_.Add(path.toStdString());
    recent_files_.Save(services_.settings);
    UpdateRecentFileActions();
}

void CMainFrame::UpdateRecentFileActions() {
    const std::vector<std::string>& files = recent_files_.Files();
    for (std::size_t i = 0; i < recent_actions_.size(); ++i) {
        QAction* action = recent_actions_[i];
        if (i < files.size()) {
            const QString path = QString::fromStdString(files[i]);
            QString name = QFileInfo(path).fileName();
            name.replace('&', "&&");
            action->setText(QString("&%1 %2").arg(i + 1).arg(name));
            action->setToolTip(path);
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
}

void CMainFrame::UpdateWindowMenu() {
    for (QAction* action : window_list_) {
        window_menu_->removeAction(action);
        action->deleteLater();
    }
    window_list_.clear();
    const QList<QMdiSubWindow*> windows = documents_area_->subWindowList();
    window_list_separator_->setVisible(!windows.isEmpty());
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        QString title = window->windowTitle().replace("[*]", window->isWindowModified() ? "*" : "");
        auto* action = window_menu_->addAction(QString("&%1 %2").arg(i + 1).arg(title));
        action->setCheckable(true);
        action->setChecked(window == documents_area_->currentSubWindow());
        connect(action, &QAction::triggered, this,
                [this, window] { documents_area_->setActiveSubWindow(window); });
        window_list_.push_back(action);
    }
}

void CMainFrame::UpdateTitle() {
    QMdiSubWindow* active = documents_area_->currentSubWindow();
    if (active == nullptr) {
        setWindowTitle("Kelto");
        setWindowModified(false);
        return;
    }
    setWindowTitle("Kelto - " + active->windowTitle());
    setWindowModified(active->isWindowModified());
}

// --- closing and dropping ---

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (RunningRenders::Count() > 0) {
        services_.messages.Show(Status::Message(kMsgRenderInProgress));
        event->ignore();
        return;
    }
    // Finished pictures not saved yet ask first.
    if (!CloseRenderWindows(nullptr)) {
        event->ignore();
        return;
    }
    // Every modified document asks first; Cancel on any keeps the program running.
    const std::vector<CTalvorDoc*> open = [this] {
        std::vector<CTalvorDoc*> list;
        for (const auto& document : documents_) {
            list.push_back(document.get());
        }
        return list;
    }();
    for (CTalvorDoc* document : open) {
        if (!document->SaveModified()) {
            event->ignore();
            return;
        }
    }
    for (CTalvorDoc* document : open) {
        document->SetClosing(true);
    }
    documents_area_->closeAllSubWindows();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data != nullptr && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
    event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data == nullptr || !data->hasUrls()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    activateWindow();
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            OpenDocumentFile(url.toLocalFile());
        }
    }
}

}  // namespace kelto

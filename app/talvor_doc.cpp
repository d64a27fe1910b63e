#include "talvor_doc.h"

#include <QFileInfo>

#include "app/child_frame.h"
#include "model/message_table.h"
#include "views/talvor_view.h"

namespace kelto {
namespace {

// What a modelling window's title adds to say which way it looks.
QString LayoutSuffix(FrameLayout layout) {
    switch (layout) {
        case FrameLayout::Top:
            return " - Top";
        case FrameLayout::Front:
            return " - Front";
        case FrameLayout::RightSide:
            return " - Right Side";
        case FrameLayout::FourViews:
            return " - Four Views";
        default:
            return {};
    }
}

}  // namespace

CTalvorDoc::CTalvorDoc(std::unique_ptr<DocumentCore> core, QString path, QString untitled_name,
                       MessageSink& messages, FileChooser& files)
    : core_(std::move(core)),
      path_(std::move(path)),
      untitled_name_(std::move(untitled_name)),
      messages_(messages),
      files_(files) {
    changes_ = core_->Subscribe([this](const ChangeSet& changes) {
        UpdateAllViews();
        if (changes.Has(ChangeKind::Modified) || changes.Has(ChangeKind::SceneReplaced)) {
            UpdateFrameTitles();
        }
        emit Changed();
    });
}

CTalvorDoc::~CTalvorDoc() {
    changes_.Reset();
}

QString CTalvorDoc::Title() const {
    return path_.isEmpty() ? untitled_name_ : QFileInfo(path_).fileName();
}

void CTalvorDoc::AddFrame(DocumentFrame* frame) {
    frames_.push_back(frame);
    UpdateFrameTitles();
    emit FramesChanged();
}

void CTalvorDoc::RemoveFrame(DocumentFrame* frame) {
    const auto it = std::find(frames_.begin(), frames_.end(), frame);
    if (it == frames_.end()) {
        return;
    }
    frames_.erase(it);
    UpdateFrameTitles();
    emit FramesChanged();
}

std::vector<CTalvorView*> CTalvorDoc::ModellingViews() const {
    std::vector<CTalvorView*> views;
    for (DocumentFrame* frame : frames_) {
        if (auto* child = qobject_cast<CChildFrame*>(frame)) {
            views.insert(views.end(), child->Views().begin(), child->Views().end());
        }
    }
    return views;
}

std::vector<CTalvorView*> CTalvorDoc::PerspectiveViews() const {
    std::vector<CTalvorView*> views;
    for (DocumentFrame* frame : frames_) {
        if (auto* child = qobject_cast<CChildFrame*>(frame)) {
            if (CTalvorView* view = child->PerspectiveView()) {
                views.push_back(view);
            }
        }
    }
    return views;
}

void CTalvorDoc::UpdateAllViews() {
    for (CTalvorView* view : ModellingViews()) {
        view->update();
    }
    // Other windows (the render windows) repaint themselves as they need.
}

void CTalvorDoc::UpdateFrameTitles() {
    const bool several = frames_.size() > 1;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        QString title = Title();
        if (several) {
            title += ":" + QString::number(i + 1);
        }
        if (auto* child = qobject_cast<CChildFrame*>(frames_[i])) {
            title += LayoutSuffix(child->Layout());
        }
        frames_[i]->setWindowTitle(title + "[*]");
        frames_[i]->setWindowModified(IsModified());
    }
}

std::vector<ViewEntry> CTalvorDoc::ViewsToSave() const {
    std::vector<ViewEntry> views = core_->Views();
    const std::vector<CTalvorView*> windows = PerspectiveViews();
    if (views.size() < windows.size()) {
        views.resize(windows.size());
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        std::string name = std::move(views[i].name);
        views[i] = windows[i]->CurrentView();
        views[i].name = std::move(name);
    }
    return views;
}

void CTalvorDoc::StoreViews() {
    core_->SetViews(ViewsToSave());
}

bool CTalvorDoc::DoSave(bool ask_name) {
    QString path = path_;
    if (ask_name || path.isEmpty()) {
        FileDialogRequest request;
        request.title = kSaveSceneTitle;
        request.filters = SceneFileFilters();
        request.initial_name = (path.isEmpty() ? Title() + ".kel" : path).toStdString();
        request.default_extension = "kel";
        const std::optional<FileChoice> choice = files_.ChooseFileToSave(request);
        if (!choice || choice->path.empty()) {
            return false;
        }
        path = QString::fromStdString(choice->path);
        if (choice->filter_index == 0 && QFileInfo(path).suffix().isEmpty()) {
            path += ".kel";
        }
    }
    StoreViews();
    const Status status = core_->Save(path.toStdString());
    if (!status.ok()) {
        messages_.Show(status);
        return false;
    }
    path_ = QFileInfo(path).absoluteFilePath();
    UpdateFrameTitles();
    emit Saved(path_);
    return true;
}

bool CTalvorDoc::SaveModified() {
    if (!IsModified()) {
        return true;
    }
    const std::string title = Title().toStdString();
    switch (messages_.Show(kMsgSaveChanges, FormatMessage(kMsgSaveChanges, title),
                           MessageIconOf(kMsgSaveChanges), MessageButtons::YesNoCancel)) {
        case MessageAnswer::Yes:
            return DoSave(false);
        case MessageAnswer::No:
            return true;
        default:
            return false;
    }
}

}  // namespace kelto

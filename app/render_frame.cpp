#include "render_frame.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/jpeg_quality_dialog.h"
#include "app/talvor_doc.h"
#include "files/file_io.h"
#include "model/message_table.h"
#include "views/render_view.h"

namespace kelto {
namespace {

// "Writing picture.png:" with a bar that shows the writer at work, while the file is written.
class WritingWindow {
  public:
    WritingWindow(QWidget* parent, const QString& text) : dialog_(parent) {
        dialog_.setObjectName("writing_picture");
        dialog_.setWindowTitle("Kelto");
        auto* layout = new QVBoxLayout(&dialog_);
        layout->addWidget(new QLabel(text, &dialog_));
        auto* bar = new QProgressBar(&dialog_);
        bar->setRange(0, 0);
        layout->addWidget(bar);
        dialog_.show();
        dialog_.repaint();
    }
    ~WritingWindow() { dialog_.hide(); }

  private:
    QDialog dialog_;
};

bool IsJpegName(const std::string& path) {
    const std::string extension = LowerCase(ExtensionOf(path));
    return extension == "jpg" || extension == "jpeg" || extension == "jfif";
}

}  // namespace

CRenderViewChildFrame::CRenderViewChildFrame(CTalvorDoc& document, const RenderCamera& camera,
                                             const RenderSettings& settings,
                                             RenderWindowServices services)
    : DocumentFrame(document), services_(services), client_(new QWidget(this)) {
    auto* layout = new QVBoxLayout(client_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_ = new CRenderView(document.Core(), camera, settings, services_.window_thread, client_);
    view_->setObjectName("render_view");
    status_ = new QLabel(client_);
    status_->setObjectName("render_status");
    status_->setContentsMargins(4, 2, 4, 2);
    status_->setAccessibleName("Render progress");
    layout->addWidget(view_, 1);
    layout->addWidget(status_);
    setWidget(client_);
    setFocusProxy(view_);
    client_->setFocusProxy(view_);
    connect(view_, &CRenderView::ProgressChanged, this, &CRenderViewChildFrame::ShowProgress);
    connect(view_, &CRenderView::RenderFinished, this, &CRenderViewChildFrame::OnRenderFinished);
}

CRenderViewChildFrame::~CRenderViewChildFrame() = default;

Status CRenderViewChildFrame::OnInitialUpdate() {
    if (const Status status = view_->OnInitialUpdate(); !status.ok()) {
        status_->setText("The render could not be started.");
        return status;
    }
    // The window fits the picture, as far as the window area allows (the status line has
    // its text first: it takes its height).
    ShowProgress();
    const QSize around = size() - view_->size();
    QSize wanted = QSize(view_->ImageWidth(), view_->ImageHeight()) + around;
    QMdiArea* area = mdiArea();
    const QSize room = area ? area->viewport()->size() : wanted;
    resize(wanted.boundedTo(room).expandedTo(minimumSizeHint()));
    // Moved in where the area's placement left part of it outside.
    if (area != nullptr && !isMaximized()) {
        move(std::clamp(x(), 0, std::max(0, room.width() - width())),
             std::clamp(y(), 0, std::max(0, room.height() - height())));
    }
    if (!view_->Finished()) {
        token_.emplace();
    }
    ShowProgress();
    emit RenderStateChanged();
    return Status::Ok();
}

void CRenderViewChildFrame::OnRenderFinished() {
    token_.reset();
    ShowProgress();
    emit RenderStateChanged();
}

void CRenderViewChildFrame::ShowProgress() {
    if (view_->SetUpStatus().ok()) {
        status_->setText(view_->ProgressText());
    }
}

void CRenderViewChildFrame::OnStopRendering() {
    if (!view_->Started() || view_->Finished()) {
        return;
    }
    if (services_.messages.Show(kMsgAbortRender, FormatMessage(kMsgAbortRender),
                                MessageIconOf(kMsgAbortRender),
                                MessageButtons::YesNo) != MessageAnswer::Yes) {
        return;
    }
    // The render may have finished while the question was shown: the picture stays.
    if (view_->Finished()) {
        return;
    }
    stopping_ = true;
    close();
    stopping_ = false;
}

bool CRenderViewChildFrame::AskBeforeClosing() {
    if (view_->Started() && !view_->Finished()) {
        // Yes closes, also when the render finished while the question was shown.
        return services_.messages.Show(kMsgAbortRender, FormatMessage(kMsgAbortRender),
                                       MessageIconOf(kMsgAbortRender),
                                       MessageButtons::YesNo) == MessageAnswer::Yes;
    }
    if (!view_->Finished() || image_saved_) {
        return true;  // a render that never started has no picture to lose
    }
    switch (services_.messages.Show(kMsgSaveRenderedImage, FormatMessage(kMsgSaveRenderedImage),
                                    MessageIconOf(kMsgSaveRenderedImage),
                                    MessageButtons::YesNoCancel)) {
        case MessageAnswer::Yes:
            if (SaveImageFlow()) {
                image_saved_ = true;
                emit RenderStateChanged();
                return true;
            }
            return false;
        case MessageAnswer::No:
            return true;
        default:
            return false;
    }
}

void CRenderViewChildFrame::closeEvent(QCloseEvent* event) {
    if (!stopping_ && !AskBeforeClosing()) {
        event->ignore();
        return;
    }
    // The last window of a modified document asks about the document too.
    DocumentFrame::closeEvent(event);
    if (!event->isAccepted()) {
        return;
    }
    // Closing ends the render: it stops, and is no longer counted.
    view_->Abort();
    token_.reset();
}

void CRenderViewChildFrame::OnSaveImage() {
    if (!view_->Finished()) {
        return;
    }
    if (SaveImageFlow()) {
        image_saved_ = true;
        emit RenderStateChanged();
    }
}

std::string CRenderViewChildFrame::InitialPictureName() {
    // Beside the scene, named after it; the type chosen in the dialog adds its extension.
    const QString scene = Document().PathName();
    if (scene.isEmpty()) {
        return Document().Title().toStdString();
    }
    const QFileInfo info(scene);
    return info.dir().filePath(info.completeBaseName()).toStdString();
}

bool CRenderViewChildFrame::SaveImageFlow() {
    FileDialogRequest request;
    request.title = kSaveImageTitle;
    request.filters = SaveImageFilters();
    request.initial_name = InitialPictureName();
    const std::optional<FileChoice> choice = services_.files.ChooseFileToSave(request);
    if (!choice || choice->path.empty()) {
        return false;
    }
    const std::string path = PictureNameFor(choice->path, choice->filter_index);
    if (const Status name = CheckPictureName(path); !name.ok()) {
        services_.messages.Show(name);
        return false;
    }
    const int quality = IsJpegName(path) ? CJpegQualityDlg::Ask(this) : kDefaultJpegQuality;
    Status written;
    {
        const QFileInfo file(QString::fromStdString(path));
        WritingWindow writing(this,
                              "Writing " + file.completeBaseName() + "." + file.suffix() + ":");
        written = view_->Save(path, quality);
    }
    if (!written.ok()) {
        services_.messages.Show(written);
        return false;
    }
    return true;
}

}  // namespace kelto

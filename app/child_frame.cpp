#include "child_frame.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "app/talvor_doc.h"
#include "views/talvor_view.h"

namespace kelto {

DocumentFrame::DocumentFrame(CTalvorDoc& document) : document_(&document) {
    setAttribute(Qt::WA_DeleteOnClose);
}

DocumentFrame::~DocumentFrame() {
    if (document_) {
        document_->RemoveFrame(this);
    }
}

void DocumentFrame::closeEvent(QCloseEvent* event) {
    // The last window of a modified document asks first; Cancel keeps everything open.
    if (!document_) {
        QMdiSubWindow::closeEvent(event);
        return;
    }
    if (!document_->IsClosing() && document_->Frames().size() == 1 && !document_->SaveModified()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted()) {
        document_->RemoveFrame(this);
    }
}

CChildFrame::CChildFrame(CTalvorDoc& document, ToolState& tools,
                         const std::optional<ViewEntry>& camera)
    : DocumentFrame(document), client_(new QWidget(this)) {
    auto* layout = new QVBoxLayout(client_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_ = new CTalvorView(document.Core(), tools, camera, client_);
    layout->addWidget(view_);
    setWidget(client_);
    setFocusProxy(view_);
    resize(640, 480);
}

}  // namespace kelto

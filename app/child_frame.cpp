#include "child_frame.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/talvor_doc.h"
#include "views/camera_bars.h"
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
                         const std::optional<ViewEntry>& camera, FrameLayout layout,
                         std::function<CTalvorView*()> camera_target)
    : DocumentFrame(document), layout_(layout), client_(new QWidget(this)) {
    auto* layout_box = new QVBoxLayout(client_);
    layout_box->setContentsMargins(0, 0, 0, 0);
    layout_box->setSpacing(0);
    // The view focused last, or this window's own when none has been.
    CameraTarget target = [this, focused = std::move(camera_target)]() -> CTalvorView* {
        CTalvorView* view = focused ? focused() : nullptr;
        return view != nullptr ? view : view_;
    };
    top_bar_ = new CTopCameraBar(target, client_);
    layout_box->addWidget(top_bar_);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    layout_box->addLayout(row, 1);
    left_bar_ = new CLeftCameraBar(target, client_);
    row->addWidget(left_bar_);

    auto parallel = [&](ViewProjection projection, QWidget* parent) {
        auto* view = new CTalvorView(document.Core(), tools, projection, parent);
        views_.push_back(view);
        return view;
    };
    switch (layout) {
        case FrameLayout::Top:
            view_ = parallel(ViewProjection::Top, client_);
            row->addWidget(view_, 1);
            break;
        case FrameLayout::Front:
            view_ = parallel(ViewProjection::Front, client_);
            row->addWidget(view_, 1);
            break;
        case FrameLayout::RightSide:
            view_ = parallel(ViewProjection::RightSide, client_);
            row->addWidget(view_, 1);
            break;
        case FrameLayout::FourViews: {
            // Top and front above, right side and perspective below.
            auto* rows = new QSplitter(Qt::Vertical, client_);
            auto* upper = new QSplitter(Qt::Horizontal, rows);
            auto* lower = new QSplitter(Qt::Horizontal, rows);
            parallel(ViewProjection::Top, upper);
            parallel(ViewProjection::Front, upper);
            parallel(ViewProjection::RightSide, lower);
            view_ = new CTalvorView(document.Core(), tools, camera, lower);
            views_.push_back(view_);
            for (QSplitter* splitter : {rows, upper, lower}) {
                splitter->setChildrenCollapsible(false);
                splitter->setSizes({1, 1});
            }
            row->addWidget(rows, 1);
            break;
        }
        default:
            view_ = new CTalvorView(document.Core(), tools, camera, client_);
            views_.push_back(view_);
            row->addWidget(view_, 1);
            break;
    }
    setWidget(client_);
    client_->setFocusProxy(view_);
    setFocusProxy(view_);
    resize(640, 480);
}

CTalvorView* CChildFrame::PerspectiveView() const {
    return view_->IsPerspective() ? view_ : nullptr;
}

}  // namespace kelto

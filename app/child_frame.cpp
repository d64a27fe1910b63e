#include "child_frame.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/talvor_doc.h"
#include "views/camera_bars.h"
#include "views/talvor_view.h"

namespace kelto {

namespace {

// The pane's name in its top left corner, as its accessible name says it.
void ShowPaneName(CTalvorView& view) {
    auto* name = new QLabel(view.accessibleName(), &view);
    name->setObjectName("pane_name");
    name->setAttribute(Qt::WA_TransparentForMouseEvents);
    name->setStyleSheet(
        "QLabel { color: white; background: rgba(0, 0, 0, 110); padding: 1px 5px; }");
    name->move(4, 4);
    name->adjustSize();
}

}  // namespace

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
                         const std::optional<ViewEntry>& camera, FrameLayout layout)
    : DocumentFrame(document), layout_(layout), client_(new QWidget(this)) {
    auto* layout_box = new QVBoxLayout(client_);
    layout_box->setContentsMargins(0, 0, 0, 0);
    layout_box->setSpacing(0);
    CameraTarget target = [this]() -> CTalvorView* { return camera_view_; };
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
            for (CTalvorView* pane : views_) {
                ShowPaneName(*pane);
            }
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
    camera_view_ = view_;
    for (CTalvorView* view : views_) {
        connect(view, &CTalvorView::Focused, this, [this](CTalvorView* focused) {
            camera_view_ = focused;
            top_bar_->ShowLens(focused->Renderer().FocalLength());
        });
        connect(view, &CTalvorView::CameraMoved, this, [this, view] {
            if (view == camera_view_) {
                top_bar_->ShowLens(view->Renderer().FocalLength());
            }
        });
    }
    top_bar_->ShowLens(view_->Renderer().FocalLength());
    setWidget(client_);
    client_->setFocusProxy(view_);
    setFocusProxy(view_);
    resize(640, 480);
}

CTalvorView* CChildFrame::PerspectiveView() const {
    return view_->IsPerspective() ? view_ : nullptr;
}

}  // namespace kelto

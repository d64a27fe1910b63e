#include "talvor_view.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <cmath>

#include "model/child_list.h"

namespace kelto {
namespace {

constexpr Vec3 kUp{0.0, 1.0, 0.0};

unsigned ModifierBits(Qt::KeyboardModifiers modifiers) {
    unsigned bits = kModifierNone;
    if (modifiers & Qt::ShiftModifier) {
        bits |= kModifierShift;
    }
    if (modifiers & Qt::ControlModifier) {
        bits |= kModifierControl;
    }
    return bits;
}

PointerButton ButtonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return PointerButton::Left;
        case Qt::RightButton:
            return PointerButton::Right;
        case Qt::MiddleButton:
            return PointerButton::Middle;
        default:
            return PointerButton::None;
    }
}

Qt::CursorShape CursorShapeOf(ToolCursor cursor) {
    switch (cursor) {
        case ToolCursor::Scale:
            return Qt::SizeFDiagCursor;
        case ToolCursor::Move:
            return Qt::SizeAllCursor;
        case ToolCursor::Rotate:
            return Qt::CrossCursor;
        default:
            return Qt::ArrowCursor;
    }
}

}  // namespace

CTalvorView::CTalvorView(DocumentCore& document, ToolState& tools,
                         const std::optional<ViewEntry>& stored, QWidget* parent)
    : QOpenGLWidget(parent), document_(document), tool_state_(tools) {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setDepthBufferSize(24);
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    setFormat(format);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(16, 16);

    const Camera& camera = document.GetScene().CurrentCamera();
    local_viewer_ = camera.local_viewer != 0;
    renderer_ =
        std::make_unique<CGLRenderer>(std::max(1, width()), std::max(1, height()), camera.eye,
                                      camera.target, camera.up, camera.focal_length);
    if (stored) {
        SetStoredCamera(*stored);
    }
    tools_ = std::make_unique<ToolController>(document_, tool_state_, *renderer_);
    // Pictures behind materials may change or go with any change of the scene; the document
    // redraws every view after each change set.
    changes_ = document_.Subscribe([this](const ChangeSet& changes) {
        if (changes.Has(ChangeKind::NodeMaterial) || changes.Has(ChangeKind::SceneReplaced) ||
            changes.Has(ChangeKind::NodeRemoved) || changes.Has(ChangeKind::NodeGeometry)) {
            renderer_->ForgetTextures();
        }
    });
}

CTalvorView::~CTalvorView() {
    changes_.Reset();
    makeCurrent();
    renderer_.reset();
    doneCurrent();
}

ViewEntry CTalvorView::CurrentView() const {
    const ViewCamera& camera = renderer_->Camera();
    ViewEntry view;
    view.lens = static_cast<std::int32_t>(renderer_->FocalLength());
    view.direction = camera.direction;
    view.eye = camera.eye;
    view.target = camera.target;
    return view;
}

void CTalvorView::SetStoredCamera(const ViewEntry& view) {
    // A stored lens outside what a camera can have would make the projection meaningless.
    const double lens = view.lens > 0 ? view.lens : 50.0;
    if ((view.target - view.eye).Length() > 0.0) {
        renderer_->SetCamera(view.direction, view.eye, view.target, lens);
    } else {
        renderer_->SetFocalLength(lens);
    }
    update();
}

void CTalvorView::initializeGL() {
    const QOpenGLContext* gl = context();
    if (gl == nullptr || !gl->isValid() || !renderer_->InitializeGL()) {
        emit OpenGLMissing();
    }
}

void CTalvorView::resizeGL(int w, int h) {
    const qreal ratio = devicePixelRatioF();
    OnSize(static_cast<int>(std::lround(w * ratio)), static_cast<int>(std::lround(h * ratio)));
}

void CTalvorView::OnSize(int cx, int cy) {
    if (cx > 10 && cy > 10) {
        size_valid_ = true;
        if (renderer_->Resize(cx, cy)) {
            update();
        }
    } else {
        size_valid_ = false;
    }
}

void CTalvorView::paintGL() {
    OnDraw();
}

void CTalvorView::OnDraw() {
    CGLRenderer& r = *renderer_;
    if (!r.HasContext()) {
        return;
    }
    if (!size_valid_) {
        r.BeginFrame();  // a plain background until the window is large enough
        return;
    }
    const Scene& scene = document_.GetScene();
    const bool rotating = tool_state_.Mode() == ToolMode::Rotate && scene.CountSelected() == 1;
    const int ring = rotating ? document_.GrabbedRing() : 0;
    r.BeginFrame();
    r.SetLighting(scene.ambient_light, scene.Lights(), local_viewer_);
    r.grabbed_corner = document_.GrabbedCorner();
    r.axis_mask = document_.GrabbedAxes();
    r.DrawGrid();
    for (const SceneNode* node : Children(scene.Root())) {
        r.DrawNodeTree(*node, rotating, ring);
    }
    r.DrawLights(scene.Lights(), rotating, ring);
    r.EndFrame();
    r.LightingOff();
}

void CTalvorView::Pass(PointerEventKind kind, QMouseEvent* event) {
    const qreal ratio = devicePixelRatioF();
    PointerEvent pointer;
    pointer.kind = kind;
    pointer.button = ButtonOf(event->button());
    pointer.modifiers = ModifierBits(event->modifiers());
    // Pixel centres, in the renderer's pixels.
    pointer.point = {event->position().x() * ratio, event->position().y() * ratio};
    Apply(tools_->OnPointer(pointer));
}

void CTalvorView::Apply(const ToolResponse& response) {
    if (response.cursor) {
        setCursor(CursorShapeOf(*response.cursor));
    }
    if (response.warp_pointer) {
        const qreal ratio = devicePixelRatioF();
        QCursor::setPos(mapToGlobal(QPoint(static_cast<int>(response.warp_pointer->x / ratio),
                                           static_cast<int>(response.warp_pointer->y / ratio))));
    }
    if (response.capture_mouse) {
        grabMouse();
    }
    if (response.release_mouse) {
        releaseMouse();
    }
    if (response.redraw) {
        update();
    }
}

void CTalvorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(event);
    } else {
        QOpenGLWidget::mousePressEvent(event);
    }
}

void CTalvorView::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(event);
}

void CTalvorView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonUp(event);
    } else {
        QOpenGLWidget::mouseReleaseEvent(event);
    }
}

void CTalvorView::OnLButtonDown(QMouseEvent* event) {
    Pass(PointerEventKind::Press, event);
}

void CTalvorView::OnMouseMove(QMouseEvent* event) {
    Pass(PointerEventKind::Move, event);
}

void CTalvorView::OnLButtonUp(QMouseEvent* event) {
    Pass(PointerEventKind::Release, event);
}

void CTalvorView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Shift) {
        modifiers_ |= kModifierShift;
    } else if (event->key() == Qt::Key_Control) {
        modifiers_ |= kModifierControl;
    } else if (event->key() == Qt::Key_Escape) {
        PointerEvent cancel;
        cancel.kind = PointerEventKind::Cancel;
        cancel.modifiers = modifiers_;
        Apply(tools_->OnPointer(cancel));
    }
    QOpenGLWidget::keyPressEvent(event);
}

void CTalvorView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Shift) {
        modifiers_ &= ~static_cast<unsigned>(kModifierShift);
    } else if (event->key() == Qt::Key_Control) {
        modifiers_ &= ~static_cast<unsigned>(kModifierControl);
    }
    QOpenGLWidget::keyReleaseEvent(event);
}

void CTalvorView::contextMenuEvent(QContextMenuEvent* event) {
    emit ContextMenuRequested(event->globalPos());
    event->accept();
}

void CTalvorView::focusInEvent(QFocusEvent* event) {
    QOpenGLWidget::focusInEvent(event);
    emit Focused(this);
}

}  // namespace kelto

#include "talvor_view.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "model/child_list.h"
#include "views/tool_cursors.h"

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
    if (modifiers & Qt::AltModifier) {
        bits |= kModifierAlt;
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

}  // namespace

CTalvorView::CTalvorView(DocumentCore& document, ToolState& tools,
                         const std::optional<ViewEntry>& stored, QWidget* parent)
    : QOpenGLWidget(parent), document_(document), tool_state_(tools) {
    const Camera& camera = document.GetScene().CurrentCamera();
    local_viewer_ = camera.local_viewer != 0;
    renderer_ =
        std::make_unique<CGLRenderer>(std::max(1, width()), std::max(1, height()), camera.eye,
                                      camera.target, camera.up, camera.focal_length);
    if (stored) {
        SetStoredCamera(*stored);
    }
    Initialise();
}

CTalvorView::CTalvorView(DocumentCore& document, ToolState& tools, ViewProjection projection,
                         QWidget* parent)
    : QOpenGLWidget(parent), document_(document), tool_state_(tools) {
    local_viewer_ = document.GetScene().CurrentCamera().local_viewer != 0;
    if (projection == ViewProjection::Perspective) {
        const Camera& camera = document.GetScene().CurrentCamera();
        renderer_ =
            std::make_unique<CGLRenderer>(std::max(1, width()), std::max(1, height()), camera.eye,
                                          camera.target, camera.up, camera.focal_length);
    } else {
        renderer_ =
            std::make_unique<CGLRenderer>(std::max(1, width()), std::max(1, height()), projection);
    }
    Initialise();
}

void CTalvorView::Initialise() {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setDepthBufferSize(24);
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    setFormat(format);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(16, 16);
    setMouseTracking(true);  // the cursor follows the tool over the view
    switch (Projection()) {
        case ViewProjection::Top:
            setAccessibleName("Top");
            break;
        case ViewProjection::Front:
            setAccessibleName("Front");
            break;
        case ViewProjection::RightSide:
            setAccessibleName("Right");
            break;
        default:
            setAccessibleName("Perspective");
            break;
    }
    tools_ = std::make_unique<ToolController>(document_, tool_state_, *renderer_);
    ShowCursor(ToolController::HoverCursor(tool_state_.Mode()));
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

RenderPictureSize CTalvorView::WindowPictureSize() const {
    const ViewCamera& camera = renderer_->Camera();
    return {std::max(camera.viewport_width, kSmallestRenderSide),
            std::max(camera.viewport_height, kSmallestRenderSide)};
}

RenderCamera CTalvorView::RenderCameraSnapshot() const {
    const ViewCamera& camera = renderer_->Camera();
    if (!render_size_) {
        return ViewRenderCamera(camera, renderer_->FocalLength(), render_quality_);
    }
    // The same eye and lens (or, seen in parallel, the same height of the world) on a picture
    // of the chosen size: the width shows more or less of the scene as the shape asks.
    ViewCamera sized = camera;
    const auto [width, height] = *render_size_;
    if (camera.orthographic) {
        sized.SetOrthographicProjection(width, height, camera.frustum_top, camera.frustum_near,
                                        camera.frustum_far);
    } else {
        sized.SetProjection(width, height, renderer_->FocalLength(), camera.frustum_far);
    }
    return MakeRenderCamera(sized, render_quality_);
}

void CTalvorView::SetStoredCamera(const ViewEntry& view) {
    // A stored lens outside what a camera can have would make the projection meaningless.
    const double lens = view.lens > 0 ? view.lens : 50.0;
    const double distance = (view.target - view.eye).Length();
    if (distance > 0.0 && std::isfinite(distance)) {
        renderer_->SetCamera(view.direction, view.eye, view.target, lens);
    } else {
        renderer_->SetFocalLength(lens);
    }
    update();
}

void CTalvorView::CameraChangedNow() {
    update();
    emit CameraMoved();
}

void CTalvorView::DollyIn() {
    renderer_->DollyIn(1.0);
    CameraChangedNow();
}

void CTalvorView::DollyOut() {
    renderer_->DollyOut(1.0);
    CameraChangedNow();
}

void CTalvorView::TiltUp() {
    renderer_->TiltCamera(-1.0);
    CameraChangedNow();
}

void CTalvorView::TiltDown() {
    renderer_->TiltCamera(1.0);
    CameraChangedNow();
}

void CTalvorView::TurnLeft() {
    renderer_->TurnCamera(-1.0);
    CameraChangedNow();
}

void CTalvorView::TurnRight() {
    renderer_->TurnCamera(1.0);
    CameraChangedNow();
}

void CTalvorView::SetLens(int millimetres) {
    renderer_->SetFocalLength(millimetres);
    CameraChangedNow();
}

void CTalvorView::FrameSelected() {
    const Scene& scene = document_.GetScene();
    const FramingSphere sphere = SelectionSphere(scene).value_or(SceneSphere(scene));
    renderer_->Frame(sphere.centre, sphere.radius);
    CameraChangedNow();
}

void CTalvorView::FrameAll() {
    const FramingSphere sphere = SceneSphere(document_.GetScene());
    renderer_->Frame(sphere.centre, sphere.radius);
    CameraChangedNow();
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
        if (node->visible != 0) {
            r.DrawNodeTree(*node, rotating, ring);
        }
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
    // The pixel under the mouse, in the renderer's pixels.
    pointer.point = {std::floor(event->position().x() * ratio),
                     std::floor(event->position().y() * ratio)};
    Apply(tools_->OnPointer(pointer));
}

void CTalvorView::Cancel() {
    PointerEvent cancel;
    cancel.kind = PointerEventKind::Cancel;
    cancel.modifiers = modifiers_;
    Apply(tools_->OnPointer(cancel));
}

void CTalvorView::ShowCursor(ToolCursor cursor) {
    if (shown_cursor_ == cursor) {
        return;
    }
    shown_cursor_ = cursor;
    setCursor(CursorFor(cursor));
}

void CTalvorView::Apply(const ToolResponse& response) {
    if (response.cursor) {
        ShowCursor(*response.cursor);
    }
    if (response.warp_pointer) {
        const qreal ratio = devicePixelRatioF();
        QCursor::setPos(mapToGlobal(QPoint(static_cast<int>(response.warp_pointer->x / ratio),
                                           static_cast<int>(response.warp_pointer->y / ratio))));
    }
    // The window system keeps the mouse with the view from a press to its release; nothing
    // more to take or give back here.
    if (response.redraw) {
        update();
    }
    if (response.camera_moved) {
        emit CameraMoved();
    }
    if (!response.message.ok()) {
        emit MessageRequested(response.message);
    }
    if (response.edit_text) {
        emit EditTextRequested(response.edit_text);
    }
}

void CTalvorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(event);
    } else if (event->button() == Qt::MiddleButton) {
        setFocus(Qt::MouseFocusReason);
        Pass(PointerEventKind::Press, event);
    } else {
        if (event->button() == Qt::RightButton) {
            OnRButtonDown(event);
        }
        QOpenGLWidget::mousePressEvent(event);
    }
}

void CTalvorView::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(event);
}

void CTalvorView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonUp(event);
    } else if (event->button() == Qt::MiddleButton) {
        Pass(PointerEventKind::Release, event);
    } else {
        QOpenGLWidget::mouseReleaseEvent(event);
    }
}

void CTalvorView::wheelEvent(QWheelEvent* event) {
    const qreal ratio = devicePixelRatioF();
    PointerEvent wheel;
    wheel.kind = PointerEventKind::Wheel;
    wheel.modifiers = ModifierBits(event->modifiers());
    wheel.point = {std::floor(event->position().x() * ratio),
                   std::floor(event->position().y() * ratio)};
    // 120 eighths of a degree to a notch; touchpads send parts of one.
    wheel.wheel_notches = event->angleDelta().y() / 120.0;
    Apply(tools_->OnPointer(wheel));
    event->accept();
}

void CTalvorView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonDblClk(event);
    } else {
        QOpenGLWidget::mouseDoubleClickEvent(event);
    }
}

void CTalvorView::OnLButtonDown(QMouseEvent* event) {
    handling_press_ = true;
    Pass(PointerEventKind::Press, event);
    handling_press_ = false;
}

void CTalvorView::OnMouseMove(QMouseEvent* event) {
    Pass(PointerEventKind::Move, event);
}

void CTalvorView::OnLButtonUp(QMouseEvent* event) {
    Pass(PointerEventKind::Release, event);
}

void CTalvorView::OnLButtonDblClk(QMouseEvent* event) {
    // The second press of a double click starts nothing (its release ends nothing); on a Text
    // object it asks for the text to be edited.
    Pass(PointerEventKind::DoubleClick, event);
    event->accept();
}

void CTalvorView::OnRButtonDown(QMouseEvent* event) {
    // The right button in the middle of a drag (the context menu takes the mouse next).
    Pass(PointerEventKind::Press, event);
}

void CTalvorView::keyPressEvent(QKeyEvent* event) {
    if (OnToolKey(event)) {
        return;
    }
    OnKeyDown(event);
    QOpenGLWidget::keyPressEvent(event);
}

void CTalvorView::keyReleaseEvent(QKeyEvent* event) {
    OnKeyUp(event);
    QOpenGLWidget::keyReleaseEvent(event);
}

void CTalvorView::OnKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Shift) {
        modifiers_ |= kModifierShift;
    } else if (event->key() == Qt::Key_Control) {
        modifiers_ |= kModifierControl;
    }
}

bool CTalvorView::OnToolKey(QKeyEvent* event) {
    ToolKey key;
    switch (event->key()) {
        case Qt::Key_Left:
            key = ToolKey::Left;
            break;
        case Qt::Key_Right:
            key = ToolKey::Right;
            break;
        case Qt::Key_Up:
            key = ToolKey::Up;
            break;
        case Qt::Key_Down:
            key = ToolKey::Down;
            break;
        case Qt::Key_Escape:
            key = ToolKey::Escape;
            break;
        default:
            return false;
    }
    // Arrows with Ctrl or Alt are left to others.
    if (key != ToolKey::Escape &&
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        return false;
    }
    Apply(tools_->OnKey(key, ModifierBits(event->modifiers())));
    event->accept();
    return true;
}

void CTalvorView::OnKeyUp(QKeyEvent* event) {
    if (event->key() == Qt::Key_Shift) {
        modifiers_ &= ~static_cast<unsigned>(kModifierShift);
    } else if (event->key() == Qt::Key_Control) {
        modifiers_ &= ~static_cast<unsigned>(kModifierControl);
    }
}

void CTalvorView::contextMenuEvent(QContextMenuEvent* event) {
    OnContextMenu(event);
}

void CTalvorView::OnContextMenu(QContextMenuEvent* event) {
    emit ContextMenuRequested(event->globalPos());
    event->accept();
}

void CTalvorView::focusInEvent(QFocusEvent* event) {
    QOpenGLWidget::focusInEvent(event);
    OnSetFocus();
}

void CTalvorView::OnSetFocus() {
    emit Focused(this);
}

void CTalvorView::focusOutEvent(QFocusEvent* event) {
    QOpenGLWidget::focusOutEvent(event);
    OnCaptureChanged();
}

void CTalvorView::OnCaptureChanged() {
    // A dialog a tool opens while it handles the press is not the mouse going away.
    if (!handling_press_ && tools_->Drag() != DragState::None) {
        Cancel();
    }
}

}  // namespace kelto

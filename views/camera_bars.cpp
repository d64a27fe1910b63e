#include "camera_bars.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "views/talvor_view.h"
#include "views/thumb_wheel.h"

namespace kelto {
namespace {

// One arrow of an arrow pair: repeats while held, named for screen readers.
QToolButton* Arrow(Qt::ArrowType direction, const QString& name, const QString& object_name,
                   QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(direction);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(300);
    button->setAutoRepeatInterval(50);
    button->setText(name);
    button->setToolTip(name);
    button->setAccessibleName(name);
    button->setObjectName(object_name);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

// Runs `move` on the target view, when there is one.
template <typename Move>
void OnTarget(const CameraTarget& target, Move move) {
    if (target) {
        if (CTalvorView* view = target()) {
            move(*view);
        }
    }
}

void Repeat(int notches, CTalvorView& view, void (CTalvorView::*forward)(),
            void (CTalvorView::*back)()) {
    for (int i = 0; i < std::abs(notches); ++i) {
        (view.*(notches > 0 ? forward : back))();
    }
}

QLabel* Label(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setContentsMargins(4, 0, 4, 0);
    return label;
}

}  // namespace

QString CTopCameraBar::LensLabel(int millimetres) {
    return QString::asprintf(" %3d mm ", millimetres);
}

CTopCameraBar::CTopCameraBar(CameraTarget target, QWidget* parent)
    : QWidget(parent), target_(std::move(target)) {
    setObjectName("camera_top_bar");
    setAccessibleName("Camera turn and lens");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(Label("Turn", this));
    wheel_ = new CThumbWheel(Qt::Horizontal, this);
    wheel_->setObjectName("turn_wheel");
    wheel_->setAccessibleName("Turn the camera");
    wheel_->setToolTip("Turn the camera left or right");
    layout->addWidget(wheel_);
    turn_left_ = Arrow(Qt::LeftArrow, "Turn the camera left", "turn_left", this);
    turn_right_ = Arrow(Qt::RightArrow, "Turn the camera right", "turn_right", this);
    layout->addWidget(turn_left_);
    layout->addWidget(turn_right_);
    layout->addSpacing(8);
    layout->addWidget(Label("Lens", this));
    lens_ = new QSlider(Qt::Horizontal, this);
    lens_->setObjectName("lens_slider");
    lens_->setAccessibleName("Lens");
    lens_->setToolTip("Lens: the focal length in millimetres (shorter shows more of the scene)");
    lens_->setRange(kMinLens, kMaxLens);
    lens_->setValue(kFirstLens);
    lens_->setFixedWidth(180);
    layout->addWidget(lens_);
    lens_text_ = new QLabel(LensLabel(kFirstLens), this);
    lens_text_->setObjectName("lens_text");
    lens_text_->setFont(QFont("Monospace"));
    layout->addWidget(lens_text_);
    layout->addStretch(1);

    connect(turn_left_, &QToolButton::clicked, this,
            [this] { OnTarget(target_, [](CTalvorView& v) { v.TurnLeft(); }); });
    connect(turn_right_, &QToolButton::clicked, this,
            [this] { OnTarget(target_, [](CTalvorView& v) { v.TurnRight(); }); });
    connect(wheel_, &CThumbWheel::Turned, this, [this](int notches) {
        OnTarget(target_, [notches](CTalvorView& v) {
            Repeat(notches, v, &CTalvorView::TurnRight, &CTalvorView::TurnLeft);
        });
    });
    // Set up at 50 without touching any view: a view's lens comes from its camera.
    connect(lens_, &QSlider::valueChanged, this, &CTopCameraBar::OnHScroll);
}

void CTopCameraBar::ShowLens(double focal_length) {
    const int millimetres = std::isfinite(focal_length)
                                ? static_cast<int>(std::clamp(std::lround(focal_length),
                                                              long{kMinLens}, long{kMaxLens}))
                                : kFirstLens;
    const QSignalBlocker quiet(lens_);
    lens_->setValue(millimetres);
    lens_text_->setText(LensLabel(millimetres));
}

void CTopCameraBar::OnHScroll(int position) {
    lens_text_->setText(LensLabel(position));
    OnTarget(target_, [position](CTalvorView& v) { v.SetLens(position); });
}

CLeftCameraBar::CLeftCameraBar(CameraTarget target, QWidget* parent)
    : QWidget(parent), target_(std::move(target)) {
    setObjectName("camera_left_bar");
    setAccessibleName("Camera tilt and dolly");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    tilt_wheel_ = new CThumbWheel(Qt::Vertical, this);
    tilt_wheel_->setObjectName("tilt_wheel");
    tilt_wheel_->setAccessibleName("Tilt the camera");
    tilt_wheel_->setToolTip("Tilt the camera up or down");
    layout->addWidget(tilt_wheel_, 0, Qt::AlignHCenter);
    tilt_up_ = Arrow(Qt::UpArrow, "Tilt the camera up", "tilt_up", this);
    tilt_down_ = Arrow(Qt::DownArrow, "Tilt the camera down", "tilt_down", this);
    layout->addWidget(tilt_up_, 0, Qt::AlignHCenter);
    layout->addWidget(tilt_down_, 0, Qt::AlignHCenter);
    layout->addSpacing(12);
    dolly_wheel_ = new CThumbWheel(Qt::Vertical, this);
    dolly_wheel_->setObjectName("dolly_wheel");
    dolly_wheel_->setAccessibleName("Dolly the camera");
    dolly_wheel_->setToolTip("Move the camera forwards or back along its view");
    layout->addWidget(dolly_wheel_, 0, Qt::AlignHCenter);
    dolly_in_ = Arrow(Qt::UpArrow, "Dolly in", "dolly_in", this);
    dolly_out_ = Arrow(Qt::DownArrow, "Dolly out", "dolly_out", this);
    layout->addWidget(dolly_in_, 0, Qt::AlignHCenter);
    layout->addWidget(dolly_out_, 0, Qt::AlignHCenter);
    layout->addWidget(Label("Dolly", this), 0, Qt::AlignHCenter);
    layout->addStretch(1);

    auto on = [this](QToolButton* button, void (CTalvorView::*move)()) {
        connect(button, &QToolButton::clicked, this,
                [this, move] { OnTarget(target_, [move](CTalvorView& v) { (v.*move)(); }); });
    };
    on(tilt_up_, &CTalvorView::TiltUp);
    on(tilt_down_, &CTalvorView::TiltDown);
    on(dolly_in_, &CTalvorView::DollyIn);
    on(dolly_out_, &CTalvorView::DollyOut);
    connect(tilt_wheel_, &CThumbWheel::Turned, this, [this](int notches) {
        OnTarget(target_, [notches](CTalvorView& v) {
            Repeat(notches, v, &CTalvorView::TiltDown, &CTalvorView::TiltUp);
        });
    });
    connect(dolly_wheel_, &CThumbWheel::Turned, this, [this](int notches) {
        OnTarget(target_, [notches](CTalvorView& v) {
            Repeat(notches, v, &CTalvorView::DollyOut, &CTalvorView::DollyIn);
        });
    });
}

}  // namespace kelto

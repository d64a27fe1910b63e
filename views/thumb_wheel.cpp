#include "thumb_wheel.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

namespace kelto {
namespace {

constexpr int kLength = 90;  // along the rolling direction
constexpr int kThickness = 18;
constexpr int kRidges = 18;  // round the whole wheel
constexpr double kPi = 3.141592653589793;

}  // namespace

CThumbWheel::CThumbWheel(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(orientation == Qt::Horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize CThumbWheel::sizeHint() const {
    return orientation_ == Qt::Horizontal ? QSize(kLength, kThickness) : QSize(kThickness, kLength);
}

QSize CThumbWheel::minimumSizeHint() const {
    return sizeHint();
}

double CThumbWheel::Along(const QPointF& p) const {
    return orientation_ == Qt::Horizontal ? p.x() : p.y();
}

void CThumbWheel::Roll(int notches) {
    if (notches == 0) {
        return;
    }
    position_ += notches;
    update();
    emit Turned(notches);
}

void CThumbWheel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool horizontal = orientation_ == Qt::Horizontal;
    const QRectF body = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double length = horizontal ? body.width() : body.height();
    // The wheel seen edge-on: light in the middle, dark towards the edges it turns away at.
    QLinearGradient shade(body.topLeft(), horizontal ? body.topRight() : body.bottomLeft());
    const QColor face = palette().color(QPalette::Button);
    shade.setColorAt(0.0, face.darker(190));
    shade.setColorAt(0.5, face.lighter(125));
    shade.setColorAt(1.0, face.darker(190));
    painter.setPen(QPen(palette().color(QPalette::Shadow), 1));
    painter.setBrush(shade);
    painter.drawRoundedRect(body, 4, 4);
    // Ridges on the visible half of the wheel, closer together near its edges.
    const double phase = position_ * (2.0 * kPi / (kRidges * 4));
    painter.setPen(QPen(face.darker(250), 1));
    for (int i = 0; i < kRidges; ++i) {
        const double angle = std::fmod(phase + i * 2.0 * kPi / kRidges, 2.0 * kPi);
        if (angle >= kPi) {
            continue;  // the far side
        }
        const double at = (1.0 - std::cos(angle)) / 2.0 * length;
        if (horizontal) {
            const double x = body.left() + at;
            painter.drawLine(QPointF(x, body.top() + 3), QPointF(x, body.bottom() - 3));
        } else {
            const double y = body.top() + at;
            painter.drawLine(QPointF(body.left() + 3, y), QPointF(body.right() - 3, y));
        }
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(body.adjusted(2, 2, -2, -2), 3, 3);
    }
}

void CThumbWheel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    dragging_ = true;
    drag_origin_ = Along(event->position());
}

void CThumbWheel::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        return;
    }
    const double moved = Along(event->position()) - drag_origin_;
    const int notches = static_cast<int>(moved / kPixelsPerNotch);
    if (notches != 0) {
        drag_origin_ += notches * kPixelsPerNotch;
        Roll(notches);
    }
}

void CThumbWheel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
    }
}

void CThumbWheel::wheelEvent(QWheelEvent* event) {
    // One notch of a mouse wheel (120 eighths of a degree) is one notch here; rolling away
    // from the user moves up or left.
    const QPoint delta = event->angleDelta();
    wheel_remainder_ += delta.y() != 0 ? delta.y() : delta.x();
    const int notches = wheel_remainder_ / 120;
    wheel_remainder_ -= notches * 120;
    Roll(-notches);
    event->accept();
}

void CThumbWheel::keyPressEvent(QKeyEvent* event) {
    // The arrows along the wheel roll it a notch, Page Up and Page Down ten.
    const bool horizontal = orientation_ == Qt::Horizontal;
    const int forward = horizontal ? Qt::Key_Right : Qt::Key_Down;
    const int back = horizontal ? Qt::Key_Left : Qt::Key_Up;
    if (event->key() == forward) {
        Roll(1);
    } else if (event->key() == back) {
        Roll(-1);
    } else if (event->key() == Qt::Key_PageDown) {
        Roll(kPageNotches);
    } else if (event->key() == Qt::Key_PageUp) {
        Roll(-kPageNotches);
    } else {
        QWidget::keyPressEvent(event);
    }
}

}  // namespace kelto

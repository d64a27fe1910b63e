#include "tool_cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace kelto {
namespace {

constexpr int kSize = 32;
constexpr double kMiddle = kSize / 2.0;

// A head on the end `tip` of a line coming from `from`.
void ArrowHead(QPainterPath& path, const QPointF& from, const QPointF& tip) {
    const QPointF d = tip - from;
    const double length = std::hypot(d.x(), d.y());
    if (length <= 0) {
        return;
    }
    const QPointF u = d / length;
    const QPointF n(-u.y(), u.x());
    path.moveTo(tip - u * 5 + n * 4);
    path.lineTo(tip);
    path.lineTo(tip - u * 5 - n * 4);
}

// White strokes with a dark border, so that the cursor shows on any background.
QCursor Drawn(const QPainterPath& path) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.end();
    return QCursor(pixmap, kSize / 2, kSize / 2);
}

QCursor ScaleCursor() {
    // A corner of a box, and a double arrow along its diagonal.
    QPainterPath path;
    const QPointF a(6, 26), b(26, 6);
    path.moveTo(a);
    path.lineTo(b);
    ArrowHead(path, a, b);
    ArrowHead(path, b, a);
    path.moveTo(4, 14);
    path.lineTo(4, 28);
    path.lineTo(18, 28);
    return Drawn(path);
}

QCursor MoveCursor() {
    QPainterPath path;
    const QPointF c(kMiddle, kMiddle);
    for (const QPointF& tip :
         {QPointF(kMiddle, 3), QPointF(kMiddle, 29), QPointF(3, kMiddle), QPointF(29, kMiddle)}) {
        path.moveTo(c);
        path.lineTo(tip);
        ArrowHead(path, c, tip);
    }
    return Drawn(path);
}

QCursor RotateCursor() {
    // Three quarters of a circle with a head on its end.
    QPainterPath path;
    const QRectF circle(6, 6, 20, 20);
    path.arcMoveTo(circle, 90);
    path.arcTo(circle, 90, 270);
    const double end = 0.0;  // degrees, where the arc stops
    const QPointF tip(kMiddle + 10 * std::cos(end), kMiddle - 10 * std::sin(end));
    ArrowHead(path, tip + QPointF(0, -6), tip);
    return Drawn(path);
}

}  // namespace

QCursor CursorFor(ToolCursor cursor) {
    switch (cursor) {
        case ToolCursor::Scale:
            return ScaleCursor();
        case ToolCursor::Move:
            return MoveCursor();
        case ToolCursor::Rotate:
            return RotateCursor();
        case ToolCursor::IBeam:
            return Qt::IBeamCursor;
        case ToolCursor::Cross:
            return Qt::CrossCursor;
        case ToolCursor::Navigate:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

}  // namespace kelto

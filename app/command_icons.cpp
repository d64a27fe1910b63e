#include "command_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QRadialGradient>
#include <cmath>

#include "app/command_table.h"

namespace kelto {
namespace {

using namespace command_ids;

constexpr int kSize = 24;
const QColor kInk(40, 40, 48);
const QColor kSolid(120, 150, 220);
const QColor kPaper(250, 250, 245);
const QColor kLightColour(255, 220, 60);

void Ball(QPainter& p, QRectF r, QColor colour) {
    QRadialGradient shade(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() / 1.6);
    shade.setColorAt(0, colour.lighter(170));
    shade.setColorAt(1, colour.darker(130));
    p.setBrush(shade);
    p.setPen(QPen(kInk, 1));
    p.drawEllipse(r);
}

void Cube(QPainter& p) {
    const QPolygonF front({{5, 9}, {15, 9}, {15, 20}, {5, 20}});
    const QPolygonF top({{5, 9}, {10, 4}, {20, 4}, {15, 9}});
    const QPolygonF side({{15, 9}, {20, 4}, {20, 15}, {15, 20}});
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSolid);
    p.drawPolygon(front);
    p.setBrush(kSolid.lighter(130));
    p.drawPolygon(top);
    p.setBrush(kSolid.darker(130));
    p.drawPolygon(side);
}

void Torus(QPainter& p) {
    QPainterPath ring;
    ring.addEllipse(QRectF(2, 6, 20, 13));
    ring.addEllipse(QRectF(8, 10, 8, 4));
    ring.setFillRule(Qt::OddEvenFill);
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSolid);
    p.drawPath(ring);
}

void Cone(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSolid);
    p.drawPolygon(QPolygonF({{12, 2}, {20, 18}, {4, 18}}));
    p.setBrush(kSolid.darker(120));
    p.drawEllipse(QRectF(4, 15, 16, 6));
}

void Cylinder(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSolid);
    p.drawRect(QRectF(5, 6, 14, 12));
    p.setBrush(kSolid.darker(120));
    p.drawEllipse(QRectF(5, 15, 14, 6));
    p.setBrush(kSolid.lighter(130));
    p.drawEllipse(QRectF(5, 3, 14, 6));
}

void Paraboloid(QPainter& p) {
    QPainterPath bowl;
    bowl.moveTo(4, 5);
    bowl.quadTo(12, 34, 20, 5);
    bowl.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSolid);
    p.drawPath(bowl);
    p.setBrush(kSolid.lighter(130));
    p.drawEllipse(QRectF(4, 3, 16, 5));
}

void Hyperboloid(QPainter& p) {
    QPainterPath waist;
    waist.moveTo(4, 4);
    waist.quadTo(12, 12, 4, 20);
    waist.lineTo(20, 20);
    waist.quadTo(12, 12, 20, 4);
    waist.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSolid);
    p.drawPath(waist);
    p.setBrush(kSolid.lighter(130));
    p.drawEllipse(QRectF(4, 2, 16, 4));
}

void Superquadric(QPainter& p) {
    QPainterPath star;
    for (int i = 0; i <= 64; ++i) {
        const double t = 2 * M_PI * i / 64;
        const double c = std::cos(t), s = std::sin(t);
        const double x = 12 + 9 * std::copysign(std::pow(std::abs(c), 2.5), c);
        const double y = 12 + 9 * std::copysign(std::pow(std::abs(s), 2.5), s);
        i == 0 ? star.moveTo(x, y) : star.lineTo(x, y);
    }
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSolid);
    p.drawPath(star);
}

void Rays(QPainter& p, QPointF c, double inner, double outer, int count) {
    p.setPen(QPen(kInk, 1));
    for (int i = 0; i < count; ++i) {
        const double a = 2 * M_PI * i / count;
        p.drawLine(c + QPointF(inner * std::cos(a), inner * std::sin(a)),
                   c + QPointF(outer * std::cos(a), outer * std::sin(a)));
    }
}

void PointLight(QPainter& p) {
    Rays(p, {12, 12}, 4, 10, 12);
    p.setBrush(kLightColour);
    p.drawEllipse(QRectF(8, 8, 8, 8));
}

void SpotLight(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(255, 240, 160));
    p.drawPolygon(QPolygonF({{9, 8}, {15, 8}, {22, 22}, {2, 22}}));
    p.setBrush(QColor(90, 90, 100));
    p.drawRect(QRectF(8, 2, 8, 7));
}

void AreaLight(QPainter& p) {
    Rays(p, {12, 12}, 8, 11, 16);
    Ball(p, QRectF(4, 4, 16, 16), kLightColour);
}

void Arrow(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(
        QPolygonF({{6, 3}, {6, 19}, {10, 15}, {13, 21}, {15.5, 20}, {12.5, 14}, {18, 14}}));
}

void Rotate(QPainter& p) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 4, 16, 16), 30 * 16, 290 * 16);
    p.setBrush(kInk);
    p.setPen(QPen(kInk, 1));
    p.drawPolygon(QPolygonF({{19, 2}, {21, 10}, {14, 8}}));
}

// A camera with the four ways it moves.
void MoveCamera(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSolid);
    p.drawRoundedRect(QRectF(5, 8, 11, 8), 1.5, 1.5);
    p.drawPolygon(QPolygonF({{16, 10.5}, {20, 8.5}, {20, 15.5}, {16, 13.5}}));
    p.setBrush(kInk);
    for (const QPolygonF& head : {QPolygonF({{10.5, 1}, {8, 4.5}, {13, 4.5}}),
                                  QPolygonF({{10.5, 23}, {8, 19.5}, {13, 19.5}}),
                                  QPolygonF({{1, 12}, {4, 9.5}, {4, 14.5}})}) {
        p.drawPolygon(head);
    }
}

void Text(QPainter& p) {
    QFont font("DejaVu Serif");
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kSolid.darker(150));
    p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, "T");
}

void Group(QPainter& p) {
    p.setPen(QPen(kInk, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 21, 21));
    p.setPen(QPen(kInk, 1));
    Ball(p, QRectF(4, 4, 9, 9), kSolid);
    p.setBrush(kSolid.darker(120));
    p.drawRect(QRectF(11, 11, 9, 9));
}

void Trim(QPainter& p) {
    QPainterPath cube;
    cube.addRect(QRectF(3, 7, 14, 14));
    QPainterPath ball;
    ball.addEllipse(QRectF(10, 2, 12, 12));
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSolid);
    p.drawPath(cube.subtracted(ball));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 1, Qt::DotLine));
    p.drawEllipse(QRectF(10, 2, 12, 12));
}

void Page(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF({{5, 2}, {15, 2}, {19, 6}, {19, 22}, {5, 22}}));
    p.drawPolyline(QPolygonF({{15, 2}, {15, 6}, {19, 6}}));
}

void Folder(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(230, 190, 90));
    p.drawPolygon(QPolygonF({{2, 6}, {9, 6}, {11, 8}, {21, 8}, {21, 20}, {2, 20}}));
    p.setBrush(QColor(245, 210, 120));
    p.drawPolygon(QPolygonF({{4, 11}, {23, 11}, {21, 20}, {2, 20}}));
}

void Disk(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(70, 90, 160));
    p.drawRect(QRectF(3, 3, 18, 18));
    p.setBrush(kPaper);
    p.drawRect(QRectF(6, 3, 12, 7));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(7, 14, 10, 7));
}

void Scissors(QPainter& p) {
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(3, 15, 6, 6));
    p.drawEllipse(QRectF(15, 15, 6, 6));
    p.drawLine(QPointF(8, 16), QPointF(17, 3));
    p.drawLine(QPointF(16, 16), QPointF(7, 3));
}

void TwoPages(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(3, 3, 11, 14));
    p.drawRect(QRectF(9, 7, 11, 14));
}

void Clipboard(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(180, 140, 90));
    p.drawRect(QRectF(4, 4, 16, 18));
    p.setBrush(kPaper);
    p.drawRect(QRectF(7, 7, 10, 12));
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(QRectF(9, 2, 6, 4));
}

void Undo(QPainter& p) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, 7, 14, 12), -90 * 16, 200 * 16);
    p.setPen(QPen(kInk, 1));
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({{3, 10}, {10, 5}, {10, 14}}));
}

void Render(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(QRectF(2, 6, 16, 12));
    p.drawPolygon(QPolygonF({{18, 9}, {22, 6}, {22, 18}, {18, 15}}));
    Ball(p, QRectF(6, 8, 8, 8), QColor(220, 80, 60));
}

void Material(QPainter& p) {
    Ball(p, QRectF(3, 3, 18, 18), QColor(200, 90, 160));
}

void Question(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(90, 130, 220));
    p.drawEllipse(QRectF(2, 2, 20, 20));
    QFont font("DejaVu Sans");
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, "?");
}

void Join(QPainter& p) {
    Ball(p, QRectF(2, 7, 10, 10), kSolid);
    Ball(p, QRectF(12, 7, 10, 10), kSolid);
}

using Drawing = void (*)(QPainter&);

void Sphere(QPainter& p) {
    Ball(p, QRectF(3, 3, 18, 18), kSolid);
}

// The primitives' pictures under the icon names of the kinds table.
struct NamedDrawing {
    std::string_view name;
    Drawing drawing;
};
constexpr NamedDrawing kPrimitiveDrawings[] = {
    {"sphere", Sphere},
    {"torus", Torus},
    {"cube", Cube},
    {"cone", Cone},
    {"cylinder", Cylinder},
    {"paraboloid", Paraboloid},
    {"hyperboloid", Hyperboloid},
    {"superquadric", Superquadric},
};

Drawing PrimitiveDrawing(std::string_view icon) {
    for (const NamedDrawing& named : kPrimitiveDrawings) {
        if (named.name == icon) {
            return named.drawing;
        }
    }
    return nullptr;
}

Drawing DrawingOf(int id) {
    if (const ObjectKind* kind = FindToolCommand(id)) {
        return PrimitiveDrawing(kind->icon);
    }
    switch (id) {
        case kNew:
            return Page;
        case kOpen:
            return Folder;
        case kSave:
            return Disk;
        case kCut:
            return Scissors;
        case kCopy:
            return TwoPages;
        case kPaste:
            return Clipboard;
        case kToolbarUndo:
        case kUndo:
            return Undo;
        case kAbout:
            return Question;
        case kSelectTool:
            return Arrow;
        case kRotateTool:
            return Rotate;
        case kMoveCamera:
        case kMoveCameraToolbar:
            return MoveCamera;
        case kTextTool:
            return Text;
        case kJoinObjectsTool:
            return Join;
        case kSelectPrimitive:
            return Cube;
        case kAreaLight:
            return AreaLight;
        case kSelectLight:
        case kPointLight:
            return PointLight;
        case kSpotLight:
            return SpotLight;
        case kGroup:
            return Group;
        case kTrim:
            return Trim;
        case kRender:
            return Render;
        case kMaterialProperties:
            return Material;
        case kLightProperties:
            return PointLight;
        default:
            return nullptr;
    }
}

}  // namespace

QIcon CommandIcon(int command_id) {
    const Drawing drawing = DrawingOf(command_id);
    if (drawing == nullptr) {
        return {};
    }
    QPixmap picture(kSize, kSize);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        drawing(painter);
    }
    return QIcon(picture);
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap picture(size, size);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 80, 110));
        p.drawRoundedRect(QRectF(1, 1, 22, 22), 4, 4);
        Ball(p, QRectF(5, 4, 14, 14), QColor(230, 90, 60));
        p.setPen(QPen(QColor(200, 200, 210), 0.8));
        p.drawLine(QPointF(3, 20), QPointF(21, 20));
        icon.addPixmap(picture);
    }
    return icon;
}

}  // namespace kelto

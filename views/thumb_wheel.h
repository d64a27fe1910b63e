// A thumb wheel: a ridged wheel seen edge-on that the user rolls with the mouse (drag or
// wheel) or the keyboard (arrows, Page Up and Page Down). Rolling emits one step per notch;
// the camera bars turn the steps into camera moves.
#pragma once

#include <QWidget>

namespace kelto {

class CThumbWheel : public QWidget {
    Q_OBJECT

  public:
    // How far the mouse rolls the wheel by one notch, in pixels.
    static constexpr int kPixelsPerNotch = 6;
    static constexpr int kPageNotches = 10;

    // Horizontal: rolling right gives positive steps. Vertical: rolling down does.
    explicit CThumbWheel(Qt::Orientation orientation, QWidget* parent = nullptr);

    Qt::Orientation Orientation() const { return orientation_; }
    // The notches rolled so far (positive and negative ones add up); the ridges follow it.
    int Position() const { return position_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    // Rolled by `notches` (never 0).
    void Turned(int notches);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Roll(int notches);
    double Along(const QPointF& p) const;

    Qt::Orientation orientation_;
    int position_ = 0;
    bool dragging_ = false;
    double drag_origin_ = 0.0;  // where the mouse was at the last notch
    int wheel_remainder_ = 0;   // eighths of a degree not yet a notch
};

}  // namespace kelto

// The camera bars round a modelling window: along the top the turn arrows with their wheel
// and the lens slider, down the left the tilt and dolly arrows with their wheels. Every
// control acts on a view of its own window (the window says which).
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QSlider;
class QToolButton;

namespace kelto {

class CTalvorView;
class CThumbWheel;

// The view a camera control acts on (null: none).
using CameraTarget = std::function<CTalvorView*()>;

class CTopCameraBar : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kMinLens = 24;
    static constexpr int kMaxLens = 300;
    static constexpr int kFirstLens = 50;

    explicit CTopCameraBar(CameraTarget target, QWidget* parent = nullptr);

    QToolButton* TurnLeftButton() const { return turn_left_; }
    QToolButton* TurnRightButton() const { return turn_right_; }
    CThumbWheel* TurnWheel() const { return wheel_; }
    QSlider* LensSlider() const { return lens_; }
    QLabel* LensText() const { return lens_text_; }
    // " %3d mm ".
    static QString LensLabel(int millimetres);
    // Shows a view's lens (rounded to whole millimetres, within the slider's range) without
    // setting any view's lens.
    void ShowLens(double focal_length);

  private:
    void OnHScroll(int position);

    CameraTarget target_;
    QToolButton* turn_left_;
    QToolButton* turn_right_;
    CThumbWheel* wheel_;
    QSlider* lens_;
    QLabel* lens_text_;
};

class CLeftCameraBar : public QWidget {
    Q_OBJECT

  public:
    explicit CLeftCameraBar(CameraTarget target, QWidget* parent = nullptr);

    QToolButton* TiltUpButton() const { return tilt_up_; }
    QToolButton* TiltDownButton() const { return tilt_down_; }
    QToolButton* DollyInButton() const { return dolly_in_; }
    QToolButton* DollyOutButton() const { return dolly_out_; }
    CThumbWheel* TiltWheel() const { return tilt_wheel_; }
    CThumbWheel* DollyWheel() const { return dolly_wheel_; }

  private:
    CameraTarget target_;
    QToolButton* tilt_up_;
    QToolButton* tilt_down_;
    QToolButton* dolly_in_;
    QToolButton* dolly_out_;
    CThumbWheel* tilt_wheel_;
    CThumbWheel* dolly_wheel_;
};

}  // namespace kelto

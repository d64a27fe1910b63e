// The pages of "Render Properties" beside the quality: "Size" (the picture size a view renders
// at), "Lighting" (soft shadows and ambient occlusion) and "Environment" (what rays that hit
// nothing see). The boxes take any number a user may type; whether it is within its range is
// decided when the sheet is confirmed, so that a value out of range is refused with words
// rather than quietly changed.
#pragma once

#include <QWidget>
#include <optional>

#include "model/scene_lighting.h"
#include "model/status.h"
#include "views/render_picture_size.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kelto {

class FileChooser;

inline constexpr int kLargestRenderSide = 16384;

class RenderSizePage : public QWidget {
    Q_OBJECT

  public:
    // `chosen`: the view's choice (nothing: the window's size, `window_size`).
    RenderSizePage(std::optional<RenderPictureSize> chosen, RenderPictureSize window_size,
                   QWidget* parent = nullptr);
    // The size chosen, nothing for the window's size; a custom size as typed.
    std::optional<RenderPictureSize> Choice() const;
    // Fails, naming the side and its range, when a custom side is out of range.
    Status Check() const;

  private:
    void ShowChoice();

    RenderPictureSize window_size_;
    QComboBox* sizes_;
    QSpinBox* width_;
    QSpinBox* height_;
    RenderPictureSize custom_;  // what Custom shows: the last typed size
};

class RenderLightingPage : public QWidget {
    Q_OBJECT

  public:
    explicit RenderLightingPage(const SceneLighting& lighting, QWidget* parent = nullptr);
    // Puts the page's values into `lighting` (a value left as shown is kept exactly).
    void Read(SceneLighting& lighting) const;

  private:
    SceneLighting initial_;
    QSpinBox* soft_shadow_samples_;
    QCheckBox* occlusion_;
    QSpinBox* occlusion_samples_;
    QDoubleSpinBox* occlusion_distance_;
    double distance_shown_;
};

class RenderEnvironmentPage : public QWidget {
    Q_OBJECT

  public:
    RenderEnvironmentPage(const SceneLighting& lighting, FileChooser& files,
                          QWidget* parent = nullptr);
    // Puts the environment into `lighting`; what the chosen kind does not use goes back to
    // a new scene's values, so a scene set back to no environment is a default scene again.
    void Read(SceneLighting& lighting) const;

  private:
    void ShowKind();
    void ShowColours();
    void ChooseColour(ColourRgb& colour, const QString& title);
    void Browse();

    SceneLighting initial_;
    FileChooser& files_;
    QButtonGroup* kinds_;
    ColourRgb horizon_;
    ColourRgb zenith_;
    QPushButton* horizon_button_;
    QPushButton* zenith_button_;
    QLineEdit* picture_file_;
    QPushButton* browse_;
    QDoubleSpinBox* rotation_;
    double rotation_shown_;
};

}  // namespace kelto

// "Set Jpeg Quality": the quality a JPEG picture is written with, 20 to 100 on a slider
// (90 at first), its value shown beside it. The dialog has only OK: the value it closes with
// is the quality, however it is closed.
#pragma once

#include <QDialog>

class QLabel;
class QSlider;

namespace kelto {

class CJpegQualityDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kLowest = 20;
    static constexpr int kHighest = 100;

    explicit CJpegQualityDlg(QWidget* parent = nullptr);
    int Quality() const;
    QSlider* Slider() const { return slider_; }
    QLabel* ValueText() const { return value_; }
    // Shows the dialog and returns the quality chosen.
    static int Ask(QWidget* parent);

  private:
    void ShowValue();

    QSlider* slider_;
    QLabel* value_;
};

}  // namespace kelto

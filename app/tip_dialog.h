// "Tip of the Day": one tip from the tips file, "Next Tip", and the "Show Tips on StartUp"
// box, whose state is saved when the dialog closes.
#pragma once

#include <QDialog>

#include "app/tip_file.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace kelto {

class CTipDlg : public QDialog {
    Q_OBJECT

  public:
    CTipDlg(SettingsStore& settings, const std::string& tip_path, QWidget* parent = nullptr);
    ~CTipDlg() override;

    QString TipText() const;
    QCheckBox* ShowOnStartUp() const { return show_on_startup_; }
    QPushButton* NextTipButton() const { return next_; }
    void done(int result) override;

  private:
    void OnNextTip();

    TipFile tips_;
    QLabel* tip_;
    QCheckBox* show_on_startup_;
    QPushButton* next_;
};

}  // namespace kelto

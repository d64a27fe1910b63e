// "Kelto Settings": the program's preferences in one dialog (render threads, the grid, where
// new lights stand, which button orbits, how many steps Undo keeps, how often changed scenes
// are autosaved). OK hands back the values
// shown; Cancel leaves everything as it was.
#pragma once

#include <QDialog>

#include "platform/program_settings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace kelto {

class KeltoSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    KeltoSettingsDialog(const ModellingSettings& modelling, const GeneralSettings& general,
                        QWidget* parent = nullptr);

    ModellingSettings Modelling() const;
    GeneralSettings General() const;

  private:
    QSpinBox* render_threads_;
    QCheckBox* snap_to_grid_;
    QDoubleSpinBox* grid_step_;
    QDoubleSpinBox* light_height_;
    QComboBox* orbit_button_;
    QSpinBox* undo_steps_;
    QSpinBox* autosave_seconds_;
};

}  // namespace kelto

#include "settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace kelto {
namespace {

// A field with its label; the label's text is the field's accessible name.
template <typename Field>
Field* Add(QFormLayout* form, const QString& label, Field* field, const QString& tip) {
    field->setAccessibleName(QString(label).remove('&'));
    field->setToolTip(tip);
    form->addRow(label + ":", field);
    return field;
}

}  // namespace

KeltoSettingsDialog::KeltoSettingsDialog(const ModellingSettings& modelling,
                                         const GeneralSettings& general, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Kelto Settings");
    setObjectName("kelto_settings");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    render_threads_ = Add(form, "&Render threads", new QSpinBox(this),
                          "How many threads a render uses; the lowest value uses one per "
                          "processor");
    render_threads_->setRange(0, GeneralSettings::kMaxRenderThreads);
    render_threads_->setSpecialValueText("One per processor");
    render_threads_->setValue(general.render_threads);

    snap_to_grid_ = Add(form, "&Snap to grid", new QCheckBox(this),
                        "Insertions and floor moves land on the grid's step (Ctrl during a move "
                        "does the opposite)");
    snap_to_grid_->setChecked(modelling.snap_to_grid);

    grid_step_ = Add(form, "&Grid step", new QDoubleSpinBox(this),
                     "What snapping rounds to, and how far Duplicate, Paste and the arrow keys "
                     "move things");
    grid_step_->setRange(ModellingSettings::kMinGridStep, ModellingSettings::kMaxGridStep);
    grid_step_->setDecimals(2);
    grid_step_->setValue(modelling.grid_step);

    light_height_ = Add(form, "&Light height", new QDoubleSpinBox(this),
                        "How high above the clicked floor point the light tools put new lights");
    light_height_->setRange(0.0, ModellingSettings::kMaxLightHeight);
    light_height_->setDecimals(2);
    light_height_->setValue(modelling.light_height);

    orbit_button_ = Add(form, "&Orbit button", new QComboBox(this),
                        "Which drags move the camera in the modelling views");
    orbit_button_->addItems({"Middle button or Alt+left", "Alt+left only"});
    orbit_button_->setCurrentIndex(modelling.middle_button_orbits ? 0 : 1);

    undo_steps_ = Add(form, "&Undo steps", new QSpinBox(this),
                      "How many changes each scene's history keeps to take back");
    undo_steps_->setRange(GeneralSettings::kMinUndoSteps, GeneralSettings::kMaxUndoSteps);
    undo_steps_->setValue(general.undo_steps);

    autosave_seconds_ = Add(form, "&Autosave interval", new QSpinBox(this),
                            "How often changed scenes are copied to the autosave folder, in "
                            "seconds (at least 10); Off: never");
    autosave_seconds_->setRange(0, GeneralSettings::kMaxAutosaveSeconds);
    autosave_seconds_->setSingleStep(10);
    autosave_seconds_->setSuffix(" s");
    autosave_seconds_->setSpecialValueText("Off");
    autosave_seconds_->setValue(general.autosave_seconds);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ModellingSettings KeltoSettingsDialog::Modelling() const {
    ModellingSettings values;
    values.snap_to_grid = snap_to_grid_->isChecked();
    values.grid_step = grid_step_->value();
    values.light_height = light_height_->value();
    values.middle_button_orbits = orbit_button_->currentIndex() == 0;
    return values;
}

GeneralSettings KeltoSettingsDialog::General() const {
    GeneralSettings values;
    values.render_threads = render_threads_->value();
    values.undo_steps = undo_steps_->value();
    // Between off and the shortest interval: the shortest.
    values.autosave_seconds =
        autosave_seconds_->value() == 0
            ? 0
            : std::max(autosave_seconds_->value(), GeneralSettings::kMinAutosaveSeconds);
    return values;
}

}  // namespace kelto

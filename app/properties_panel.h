// The "Properties" dock: the selection's name, position, rotation (degrees) and scale as
// number fields, its material's colour and numbers with the "Material Properties..." button,
// and for a light alone its kind, position, colour, intensity and shadows. With several
// objects selected the values they share are shown and the others left blank; a value typed
// applies to all of them as one step. Text that is not a number in the field's range is
// refused with the range and the shown value comes back. The panel shows the document as it
// is after every change, whoever made it (a drag, Undo, a dialog).
#pragma once

#include <QDockWidget>
#include <QPointer>
#include <array>
#include <functional>

#include "app/talvor_doc.h"
#include "document/node_fields.h"

class QAction;
class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelto {

class PropertiesPanel : public QDockWidget {
    Q_OBJECT

  public:
    // `report` shows a refusal; the buttons trigger the Material Properties and Light
    // Properties actions (and follow their enabled state).
    PropertiesPanel(std::function<void(const Status&)> report, QAction* material_properties,
                    QAction* light_properties, QWidget* parent = nullptr);
    ~PropertiesPanel() override;

    void SetDocument(CTalvorDoc* document);
    // Shows the document's selection as it is now.
    void Refresh();
    QLineEdit* Field(NodeField field) const { return fields_[static_cast<std::size_t>(field)]; }

  private:
    QLineEdit* AddNumberField(NodeField field);
    void Commit(NodeField field);
    void CommitName();
    void CommitLight(NodeField field);
    void CommitLightIntensity();
    void CommitShadows(bool on);
    void ShowNumber(QLineEdit* edit, std::optional<double> value, int decimals);
    // The one light selected alone, if that is the selection.
    const Light* LoneLight() const;

    std::function<void(const Status&)> report_;
    QPointer<CTalvorDoc> document_;
    Subscription changes_;
    QFormLayout* form_ = nullptr;
    QLabel* kind_ = nullptr;
    QLineEdit* name_ = nullptr;
    std::array<QLineEdit*, kNodeFieldCount> fields_{};
    QLineEdit* intensity_ = nullptr;
    QCheckBox* shadows_ = nullptr;
    QPushButton* light_colour_ = nullptr;
    QPushButton* material_colour_ = nullptr;
    QPushButton* material_button_ = nullptr;
};

}  // namespace kelto

#include "properties_panel.h"

#include <QAction>
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <cmath>

#include "model/message_table.h"

namespace kelto {
namespace {

constexpr double kMaxIntensity = 1000.0;

// A number as typed in the user's language ("1,5" in German), or as a program writes it.
std::optional<double> ParseNumber(const QString& typed) {
    const QString text = typed.trimmed();
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok) {
        value = QLocale::c().toDouble(text, &ok);
    }
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString NumberText(double value, int decimals) {
    const double shown = std::round(value * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
    QString text = QLocale().toString(shown == 0.0 ? 0.0 : shown, 'f', decimals);
    const QString point = QLocale().decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith('0')) {
            text.chop(1);
        }
        if (text.endsWith(point)) {
            text.chop(point.size());
        }
    }
    return text;
}

QString LightKindName(LightKind kind) {
    switch (kind) {
        case LightKind::Point:
            return "Point light";
        case LightKind::Spot:
            return "Spot light";
        case LightKind::Sphere:
            return "Sphere light";
        case LightKind::Rectangular:
            return "Rectangular light";
        case LightKind::Cylindrical:
            return "Cylindrical light";
    }
    return "Light";
}

void PaintSwatch(QPushButton* button, std::optional<QColor> colour) {
    button->setStyleSheet(colour ? QString("background-color: %1").arg(colour->name()) : QString());
    button->setText(colour ? QString() : QString("(several)"));
}

QColor ColourOf(float r, float g, float b) {
    return QColor::fromRgbF(std::clamp(r, 0.0f, 1.0f), std::clamp(g, 0.0f, 1.0f),
                            std::clamp(b, 0.0f, 1.0f));
}

}  // namespace

PropertiesPanel::PropertiesPanel(std::function<void(const Status&)> report,
                                 QAction* material_properties, QAction* light_properties,
                                 QWidget* parent)
    : QDockWidget("Properties", parent), report_(std::move(report)) {
    setObjectName("properties_panel");
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* page = new QWidget(scroll);
    form_ = new QFormLayout(page);
    kind_ = new QLabel(page);
    kind_->setObjectName("selection_kind");
    form_->addRow(kind_);
    name_ = new QLineEdit(page);
    name_->setObjectName("name");
    name_->setAccessibleName("Name");
    form_->addRow("Name", name_);
    connect(name_, &QLineEdit::editingFinished, this, &PropertiesPanel::CommitName);
    for (int f = 0; f <= static_cast<int>(NodeField::ScaleZ); ++f) {
        AddNumberField(static_cast<NodeField>(f));
    }

    intensity_ = new QLineEdit(page);
    intensity_->setObjectName("intensity");
    intensity_->setAccessibleName("Intensity");
    form_->addRow("Intensity", intensity_);
    connect(intensity_, &QLineEdit::editingFinished, this, &PropertiesPanel::CommitLightIntensity);
    shadows_ = new QCheckBox("Casts Shadows", page);
    shadows_->setObjectName("casts_shadows");
    form_->addRow(shadows_);
    connect(shadows_, &QCheckBox::clicked, this, &PropertiesPanel::CommitShadows);
    light_colour_ = new QPushButton(page);
    light_colour_->setObjectName("light_colour");
    light_colour_->setAccessibleName("Light Color");
    light_colour_->setToolTip("The light's colour: opens Light Properties");
    form_->addRow("Light Color", light_colour_);
    connect(light_colour_, &QPushButton::clicked, light_properties, &QAction::trigger);

    material_colour_ = new QPushButton(page);
    material_colour_->setObjectName("material_colour");
    material_colour_->setAccessibleName("Material Color");
    material_colour_->setToolTip("The material's colour: opens Material Properties");
    form_->addRow("Color", material_colour_);
    connect(material_colour_, &QPushButton::clicked, material_properties, &QAction::trigger);
    for (NodeField f : {NodeField::Reflect, NodeField::Transparency, NodeField::Refraction}) {
        AddNumberField(f);
    }
    material_button_ = new QPushButton("Material Properties...", page);
    material_button_->setObjectName("material_properties");
    material_button_->setAccessibleName("Material Properties...");
    form_->addRow(material_button_);
    connect(material_button_, &QPushButton::clicked, material_properties, &QAction::trigger);
    auto follow = [this, material_properties, light_properties] {
        material_button_->setEnabled(material_properties->isEnabled());
        material_colour_->setEnabled(material_properties->isEnabled());
        light_colour_->setEnabled(light_properties->isEnabled());
    };
    connect(material_properties, &QAction::changed, this, follow);
    connect(light_properties, &QAction::changed, this, follow);
    follow();

    scroll->setWidget(page);
    setWidget(scroll);
    Refresh();
}

PropertiesPanel::~PropertiesPanel() {
    changes_.Reset();
}

QLineEdit* PropertiesPanel::AddNumberField(NodeField field) {
    const FieldInfo& info = InfoOf(field);
    const QString name = QString::fromUtf8(info.name.data(), static_cast<int>(info.name.size()));
    auto* edit = new QLineEdit(form_->parentWidget());
    edit->setObjectName(QString(name).toLower().replace(' ', '_'));
    edit->setAccessibleName(name);
    edit->setToolTip(
        QString("%1 to %2")
            .arg(NumberText(info.minimum, info.decimals), NumberText(info.maximum, info.decimals)));
    form_->addRow(name, edit);
    fields_[static_cast<std::size_t>(field)] = edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, field] { Commit(field); });
    return edit;
}

void PropertiesPanel::SetDocument(CTalvorDoc* document) {
    if (document == document_.data() && (document == nullptr || changes_.Active())) {
        return;
    }
    changes_.Reset();
    document_ = document;
    if (document != nullptr) {
        changes_ = document->Core().Subscribe([this](const ChangeSet&) { Refresh(); });
    }
    Refresh();
}

const Light* PropertiesPanel::LoneLight() const {
    if (!document_) {
        return nullptr;
    }
    const Scene& scene = document_->Core().GetScene();
    if (document_->Core().Selection().selected_count != 0 || scene.CountSelectedLights() != 1) {
        return nullptr;
    }
    return &scene.Lights()[static_cast<std::size_t>(scene.FirstSelectedLight())];
}

void PropertiesPanel::ShowNumber(QLineEdit* edit, std::optional<double> value, int decimals) {
    if (edit->hasFocus() && edit->isModified()) {
        return;  // being typed into
    }
    edit->setText(value ? NumberText(*value, decimals) : QString());
    edit->setModified(false);
}

void PropertiesPanel::Refresh() {
    std::vector<const SceneNode*> nodes;
    if (document_) {
        nodes = SelectedNodes(document_->Core().GetScene());
    }
    const Light* light = nodes.empty() ? LoneLight() : nullptr;
    const CommonValues common = CommonValuesOf(nodes);
    const bool objects = !nodes.empty();

    if (objects) {
        const std::string_view base = NameBase(nodes.front()->type);
        kind_->setText(
            nodes.size() == 1
                ? QString::fromUtf8(base.data(), static_cast<int>(base.size())).remove(':')
                : QString("%1 objects").arg(nodes.size()));
    } else {
        kind_->setText(light ? LightKindName(light->kind) : QString("Nothing selected"));
    }
    const std::string* name = common.name ? &*common.name : light ? &light->name : nullptr;
    if (!(name_->hasFocus() && name_->isModified())) {
        name_->setText(name
                           ? QString::fromLatin1(name->data(), static_cast<qsizetype>(name->size()))
                           : QString());
        name_->setModified(false);
    }
    name_->setEnabled(common.name.has_value());

    for (int f = 0; f < kNodeFieldCount; ++f) {
        const auto field = static_cast<NodeField>(f);
        const bool position = field <= NodeField::PositionZ;
        std::optional<double> value = common[field];
        if (light != nullptr && position) {
            value = f == 0 ? light->position.x : f == 1 ? light->position.y : light->position.z;
        }
        QLineEdit* edit = Field(field);
        ShowNumber(edit, value, InfoOf(field).decimals);
        edit->setEnabled(objects || (light != nullptr && position));
        form_->setRowVisible(edit, light == nullptr || position);
    }
    form_->setRowVisible(material_colour_, light == nullptr);
    form_->setRowVisible(material_button_, light == nullptr);
    PaintSwatch(material_colour_,
                common.colour ? std::optional<QColor>(
                                    ColourOf(common.colour->r, common.colour->g, common.colour->b))
                : objects ? std::nullopt
                          : std::optional<QColor>(palette().color(QPalette::Button)));

    for (QWidget* row : {static_cast<QWidget*>(intensity_), static_cast<QWidget*>(shadows_),
                         static_cast<QWidget*>(light_colour_)}) {
        form_->setRowVisible(row, light != nullptr);
    }
    if (light != nullptr) {
        ShowNumber(intensity_, light->intensity, 3);
        shadows_->setChecked(light->casts_shadows != 0);
        PaintSwatch(light_colour_, ColourOf(light->diffuse.r, light->diffuse.g, light->diffuse.b));
    }
}

void PropertiesPanel::Commit(NodeField field) {
    QLineEdit* edit = Field(field);
    if (!edit->isModified() || !document_) {
        return;
    }
    edit->setModified(false);
    const QString text = edit->text();
    const std::optional<double> value = ParseNumber(text);
    std::vector<NodeId> ids;
    for (const SceneNode* node : SelectedNodes(document_->Core().GetScene())) {
        ids.push_back(node->id);
    }
    Status status;
    if (!value) {
        status = NotANumber(field, text.toStdString());
    } else if (ids.empty()) {
        CommitLight(field);
        return;
    } else {
        status = document_->Core().SetField(ids, field, *value);
    }
    if (!status.ok()) {
        Refresh();  // the value shown before comes back
        report_(status);
    }
}

void PropertiesPanel::CommitLight(NodeField field) {
    const Light* light = LoneLight();
    const std::optional<double> value = ParseNumber(Field(field)->text());
    const Status status = value ? CheckFieldValue(field, *value)
                                : NotANumber(field, Field(field)->text().toStdString());
    if (light == nullptr || !value || field > NodeField::PositionZ || !status.ok()) {
        Refresh();
        report_(status);
        return;
    }
    // A typed position is a move of the light, named as its drag is.
    const int axis = static_cast<int>(field);
    const double now = axis == 0   ? light->position.x
                       : axis == 1 ? light->position.y
                                   : light->position.z;
    Vec3 offset;
    (axis == 0 ? offset.x : axis == 1 ? offset.y : offset.z) = *value - now;
    if (offset == Vec3{}) {
        return;
    }
    DocumentCore& core = document_->Core();
    core.DragMoveLight(light->id, offset);
    core.EndDrag();
}

void PropertiesPanel::CommitLightIntensity() {
    const Light* light = LoneLight();
    if (!intensity_->isModified() || light == nullptr) {
        return;
    }
    intensity_->setModified(false);
    const QString text = intensity_->text();
    const std::optional<double> value = ParseNumber(text);
    if (!value || !std::isfinite(*value) || *value < 0.0 || *value > kMaxIntensity) {
        Refresh();
        report_(
            Status::Message(kMsgFieldOutOfRange, {"Intensity", "0", "1000", text.toStdString()}));
        return;
    }
    Light edited = *light;
    edited.intensity = static_cast<float>(*value);
    if (edited.intensity != light->intensity) {
        report_(document_->Core().SetLight(light->id, edited));
    }
}

void PropertiesPanel::CommitShadows(bool on) {
    if (const Light* light = LoneLight()) {
        Light edited = *light;
        edited.casts_shadows = on ? 1 : 0;
        report_(document_->Core().SetLight(light->id, edited));
    }
}

void PropertiesPanel::CommitName() {
    if (!name_->isModified() || !document_) {
        return;
    }
    name_->setModified(false);
    const std::vector<const SceneNode*> nodes = SelectedNodes(document_->Core().GetScene());
    if (nodes.size() != 1) {
        return;
    }
    const Result<std::string> name = NameFromUtf8(name_->text().toStdString());
    const Status status =
        name.ok() ? document_->Core().Rename(nodes.front()->id, *name) : name.status();
    if (!status.ok()) {
        Refresh();
        report_(status);
    }
}

}  // namespace kelto

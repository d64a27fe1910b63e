#include "render_props.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/render_pages.h"
#include "document/document_core.h"
#include "platform/messages.h"

namespace kelto {

namespace {
// The radio buttons' identifiers.
constexpr int kDraftButton = 1094;
constexpr int kProductionButton = 1095;
}  // namespace

CRenderProps::CRenderProps(const ViewRenderChoices& choices, RenderPropsServices services,
                           QWidget* parent)
    : QDialog(parent), services_(services), pages_(new QTabWidget(this)) {
    setWindowTitle("Render Properties");

    auto* page = new QWidget(pages_);
    auto* group = new QGroupBox("Render Quality", page);
    draft_ = new QRadioButton("Draft", group);
    draft_->setObjectName("draft");
    draft_->setAccessibleName("Draft");
    production_ = new QRadioButton("Production", group);
    production_->setObjectName("production");
    production_->setAccessibleName("Production");
    auto* buttons_group = new QButtonGroup(group);
    buttons_group->addButton(draft_, kDraftButton);
    buttons_group->addButton(production_, kProductionButton);
    auto* group_layout = new QVBoxLayout(group);
    group_layout->addWidget(draft_);
    group_layout->addWidget(production_);
    auto* page_layout = new QVBoxLayout(page);
    page_layout->addWidget(group);
    page_layout->addStretch();
    pages_->addTab(page, "Quality");
    (choices.quality == RenderQuality::Production ? production_ : draft_)->setChecked(true);

    size_page_ = new RenderSizePage(choices.size, choices.window_size, pages_);
    pages_->addTab(size_page_, "Size");
    const SceneLighting& lighting = services_.document.Lighting();
    lighting_page_ = new RenderLightingPage(lighting, pages_);
    pages_->addTab(lighting_page_, "Lighting");
    environment_page_ = new RenderEnvironmentPage(lighting, services_.files, pages_);
    pages_->addTab(environment_page_, "Environment");

    // A combo box takes Ctrl+Tab as a letter to search for: the sheet turns its pages.
    for (QComboBox* combo : findChildren<QComboBox*>()) {
        combo->installEventFilter(this);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRenderProps::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    setMinimumWidth(280);
}

RenderQuality CRenderProps::Quality() const {
    return production_->isChecked() ? RenderQuality::Production : RenderQuality::Draft;
}

std::optional<RenderPictureSize> CRenderProps::SizeChoice() const {
    return size_page_->Choice();
}

bool CRenderProps::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool next = key->key() == Qt::Key_Tab;
        if ((next || key->key() == Qt::Key_Backtab) && (key->modifiers() & Qt::ControlModifier)) {
            const int count = pages_->count();
            pages_->setCurrentIndex((pages_->currentIndex() + (next ? 1 : count - 1)) % count);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CRenderProps::Refused(const Status& status, QWidget* page) {
    if (status.ok()) {
        return false;
    }
    pages_->setCurrentWidget(page);
    services_.messages.Show(status);
    return true;
}

void CRenderProps::accept() {
    if (Refused(size_page_->Check(), size_page_)) {
        return;
    }
    SceneLighting lighting = services_.document.Lighting();
    lighting_page_->Read(lighting);
    if (Refused(CheckLighting(lighting), lighting_page_)) {
        return;
    }
    environment_page_->Read(lighting);
    // Unchanged settings make no step.
    if (Refused(services_.document.SetLighting(lighting), environment_page_)) {
        return;
    }
    QDialog::accept();
}

}  // namespace kelto

#include "render_props.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kelto {

namespace {
// The radio buttons' identifiers.
constexpr int kDraftButton = 1094;
constexpr int kProductionButton = 1095;
}  // namespace

CRenderProps::CRenderProps(RenderQuality quality, QWidget* parent)
    : QDialog(parent), pages_(new QTabWidget(this)) {
    setWindowTitle("Render Properties");

    auto* page = new QWidget(pages_);
    auto* group = new QGroupBox("Render Quality", page);
    draft_ = new QRadioButton("Draft", group);
    draft_->setObjectName("draft");
    production_ = new QRadioButton("Production", group);
    production_->setObjectName("production");
    auto* buttons_group = new QButtonGroup(group);
    buttons_group->addButton(draft_, kDraftButton);
    buttons_group->addButton(production_, kProductionButton);
    auto* group_layout = new QVBoxLayout(group);
    group_layout->addWidget(draft_);
    group_layout->addWidget(production_);
    auto* page_layout = new QVBoxLayout(page);
    page_layout->addWidget(group);
    page_layout->addStretch();
    pages_->addTab(page, "Sheet 1");
    (quality == RenderQuality::Production ? production_ : draft_)->setChecked(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    setMinimumWidth(280);
}

RenderQuality CRenderProps::Quality() const {
    return production_->isChecked() ? RenderQuality::Production : RenderQuality::Draft;
}

}  // namespace kelto

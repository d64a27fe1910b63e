#include "jpeg_quality_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "files/image_files.h"

namespace kelto {

CJpegQualityDlg::CJpegQualityDlg(QWidget* parent)
    : QDialog(parent), slider_(new QSlider(Qt::Horizontal, this)), value_(new QLabel(this)) {
    setWindowTitle("Set Jpeg Quality");
    auto* prompt = new QLabel("Set jpeg quality factor:", this);
    slider_->setRange(kLowest, kHighest);
    slider_->setValue(kDefaultJpegQuality);
    slider_->setAccessibleName("Set jpeg quality factor:");
    prompt->setBuddy(slider_);
    // Room for three digits, so the text does not jump as the value changes.
    value_->setFont(QFont("monospace"));
    value_->setMinimumWidth(value_->fontMetrics().horizontalAdvance(" 100 "));
    connect(slider_, &QSlider::valueChanged, this, &CJpegQualityDlg::ShowValue);
    ShowValue();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(slider_, 1);
    row->addWidget(value_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(300);
}

int CJpegQualityDlg::Quality() const {
    return slider_->value();
}

void CJpegQualityDlg::ShowValue() {
    value_->setText(QString::asprintf(" %3d ", slider_->value()));
}

int CJpegQualityDlg::Ask(QWidget* parent) {
    CJpegQualityDlg dialog(parent);
    dialog.exec();
    return dialog.Quality();
}

}  // namespace kelto

// "About Kelto": the program's name and version, the machine's physical memory and the free
// space on the disk of the working folder.
#pragma once

#include <QDialog>

class QLabel;

namespace kelto {

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QString MemoryText() const;
    QString DiskText() const;

  private:
    QLabel* memory_;
    QLabel* disk_;
};

}  // namespace kelto

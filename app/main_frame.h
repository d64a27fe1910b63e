// The application's main window: a multiple-document area that holds the scene windows.
#pragma once

#include <QMainWindow>

class QMdiArea;

namespace kelto {

class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    explicit CMainFrame(QWidget* parent = nullptr);
    QMdiArea* DocumentArea() const { return documents_; }

  private:
    QMdiArea* documents_;  // owned by the window
};

}  // namespace kelto

// The "Cameras" panel (View > Camera manager palette): the active scene's stored cameras by
// name, as the scene file keeps them (kelto-cli render --view N renders the N-th). Add stores
// the active view's camera, Go to makes the active view look through the chosen one, Rename
// and Delete edit the list. The first cameras are those of the scene's open perspective
// windows, in their order: each window saves its camera there, so those are not deleted.
#pragma once

#include <QDockWidget>
#include <functional>

class QListWidget;
class QPushButton;

namespace kelto {

class CTalvorDoc;
class CTalvorView;
class MessageSink;

class CamerasPanel : public QDockWidget {
    Q_OBJECT

  public:
    // `document` and `view` name the active scene and the modelling view the framing commands
    // move (either may be null).
    CamerasPanel(std::function<CTalvorDoc*()> document, std::function<CTalvorView*()> view,
                 MessageSink& messages, QWidget* parent = nullptr);

    // Shows the active scene's cameras again (the main window calls it on every change).
    void Refresh();
    QListWidget* List() const { return list_; }

  private:
    void OnAdd();
    void OnGoTo();
    void OnRename();
    void OnDelete();
    int Chosen() const;

    std::function<CTalvorDoc*()> document_;
    std::function<CTalvorView*()> view_;
    MessageSink& messages_;
    QListWidget* list_;
    QPushButton* add_;
    QPushButton* go_to_;
    QPushButton* rename_;
    QPushButton* delete_;
};

}  // namespace kelto

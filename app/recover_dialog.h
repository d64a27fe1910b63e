// "Recover Documents": the autosaves that processes which ended without closing their
// documents left, each with its document's name, when it was written, its size and, for one
// that cannot be read, the reader's message. Recover opens them, Discard deletes them, Later
// keeps them for the next start.
#pragma once

#include <QDialog>
#include <vector>

class QTreeWidget;

namespace kelto {

struct RecoverableDocument;
class AutosaveRecovery;
class AutosaveTimer;
class CMainFrame;

enum class RecoveryChoice { Recover, Discard, Later };

class RecoverDialog : public QDialog {
    Q_OBJECT

  public:
    explicit RecoverDialog(const std::vector<RecoverableDocument>& documents,
                           QWidget* parent = nullptr);
    RecoveryChoice Choice() const { return choice_; }
    QTreeWidget* List() const { return list_; }

  private:
    QTreeWidget* list_;
    RecoveryChoice choice_ = RecoveryChoice::Later;
};

// Offers what `recovery` found (nothing happens when it found nothing) and does what the user
// chose: Recover opens the readable documents through `autosave` (the damaged ones stay until
// Discard); Discard deletes them all; Later, or closing the dialog, keeps them.
RecoveryChoice OfferRecovery(CMainFrame& frame, AutosaveTimer& autosave,
                             AutosaveRecovery& recovery);

}  // namespace kelto

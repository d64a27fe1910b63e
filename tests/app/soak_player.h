// A random user of the main window: each step chooses one thing a user does (a command from
// the menus, a click or drag in a modelling view, a key, a row or a field of the panels) and
// does it through the widgets; dialogs the step opens are answered at random too. The same
// number plays the same steps (but for what hangs on time, such as a render finishing before
// it is stopped), so that a fault found at step N can be played again.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/app/main_window_rig.h"

class QTimer;
class QWidget;

namespace kelto::soak {

class Player : public QObject {
    Q_OBJECT

  public:
    // Plays in the rig's window, saving and reading its files in `folder`.
    Player(test::MainWindowRig& rig, std::uint64_t seed, QString folder);
    ~Player() override;

    // Does one thing; the result says what, for the report of a fault. `announce` hears the
    // same words before the thing is done (and again for what the step does afterwards),
    // so that a log shows what a crash interrupted.
    std::string Step();
    void SetAnnouncer(std::function<void(const std::string&)> announce) {
        announce_ = std::move(announce);
    }
    // Empty when every open document is whole (see Inconsistency), else the fault.
    std::string CheckDocuments() const;
    // Takes every open document back through its whole history and forward again: empty when
    // the start gives the bytes the document had at its start, and the end the bytes it had
    // before. Documents with long histories then start afresh from where they are; one whose
    // history dropped steps (a smaller limit, say) starts afresh from its oldest state.
    std::string CheckHistories();

    // What the run went through so far.
    struct Tally {
        std::size_t history_checks = 0;  // documents taken back to their start and forward
        std::size_t undone = 0;          // steps undone and redone by those checks
        std::size_t most_nodes = 0;      // the most nodes a document held after a step
    };
    const Tally& Totals() const { return tally_; }

  private:
    struct Start {
        std::vector<std::uint8_t> bytes;
        std::uint64_t state = 0;  // the history's number for it
        bool lost = false;        // the history dropped its oldest steps: the start is out of reach
    };
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    bool Chance(int percent) { return Pick(100) < percent; }
    std::string RandomText();
    void PrepareAnswers();
    void AnswerModal();
    void KeepRendersShort();

    std::string DoCommand();
    std::string DoViewMouse();
    std::string DoKey();
    std::string DoObjectsPanel();
    std::string DoPropertiesPanel();
    std::string CloseAWindow();
    std::string Say(std::string what);

    void Remember(CTalvorDoc* document);
    std::string KeepBoth(const std::vector<std::uint8_t>& expected,
                         const std::vector<std::uint8_t>& found) const;
    void TrimHistory(CTalvorDoc& document, Start& start);

    test::MainWindowRig& rig_;
    std::uint64_t seed_;
    std::mt19937_64 random_;
    QString folder_;
    QTimer* answerer_;  // owned by this object
    std::map<const CTalvorDoc*, Start> starts_;
    std::size_t questions_seen_ = 0;
    std::size_t choices_seen_ = 0;
    bool answer_queued_ = false;
    bool choice_queued_ = false;
    std::map<const QWidget*, int> modal_touches_;
    std::function<void(const std::string&)> announce_;
    Tally tally_;
};

}  // namespace kelto::soak

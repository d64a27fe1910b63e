// Autosave in the program: a timer that, every interval, snapshots each changed document on
// the window thread (the scene file's bytes) and hands the snapshot to the writer's thread;
// saving or closing a document on purpose removes its autosave. What to do per document and
// when is document/autosave_schedule.h's; the files are files/autosave_files.h's.
#pragma once

#include <QObject>
#include <map>
#include <memory>
#include <string>

#include "document/autosave_schedule.h"
#include "document/autosave_writer.h"
#include "platform/messages.h"

class QTimer;

namespace kelto {

class CMainFrame;
class CTalvorDoc;
struct RecoverableDocument;
class AutosaveRecovery;

class AutosaveTimer : public QObject {
    Q_OBJECT

  public:
    // Follows the frame's documents and its settings (the interval: the setting, or the
    // KELTO_AUTOSAVE_SECONDS override read at construction), writing into `folder` as `owner`.
    AutosaveTimer(CMainFrame& frame, MessageSink& messages, std::string folder,
                  AutosaveOwner owner);
    ~AutosaveTimer() override;

    int IntervalSeconds() const { return seconds_; }
    // What a tick does, at once (the timer calls it).
    void AutosaveNow();
    // Waits until the writer has done what it was handed (tests).
    void WaitForWriter() { writer_->WaitIdle(); }
    // The autosave file of a document (empty while it has none).
    std::string FileOf(const CTalvorDoc* document) const;
    const std::string& Folder() const { return writer_->Folder(); }

    // Opens the readable recovered documents in the frame, their autosaves taken over as this
    // process's; the damaged ones stay where they are.
    void Recover(AutosaveRecovery& recovery);

  signals:
    // A write finished (on the window thread), or failed.
    void Written(const QString& file_name, bool ok);

  private:
    struct Tracked {
        AutosaveSlot slot;
        int number = 0;
        std::size_t last_size = 0;  // of the last snapshot
    };
    void Track(CTalvorDoc* document);
    void Forget(CTalvorDoc* document);
    void RemoveFile(Tracked& tracked);
    void ApplySettings();
    void WriteDone(const AutosaveWriteResult& result);

    CMainFrame& frame_;
    MessageSink& messages_;
    const AutosaveOwner owner_;
    const char* override_;
    int seconds_ = 0;
    int next_number_ = 0;
    QTimer* timer_;
    std::map<const CTalvorDoc*, Tracked> documents_;
    AutosaveFailureGate failures_;
    std::unique_ptr<AutosaveWriter> writer_;
};

}  // namespace kelto

#include "autosave_timer.h"

#include <QTimer>
#include <cstdlib>

#include "app/main_frame.h"
#include "app/talvor_doc.h"
#include "document/autosave_recovery.h"
#include "model/message_table.h"

namespace kelto {

AutosaveTimer::AutosaveTimer(CMainFrame& frame, MessageSink& messages, std::string folder,
                             AutosaveOwner owner)
    : QObject(&frame),
      frame_(frame),
      messages_(messages),
      owner_(owner),
      override_(std::getenv(kAutosaveOverrideVariable)),
      timer_(new QTimer(this)) {
    // Told on the writer's thread; this object outlives the writer, which it joins.
    writer_ = std::make_unique<AutosaveWriter>(
        std::move(folder), owner, [this](const AutosaveWriteResult& result) {
            QMetaObject::invokeMethod(
                this, [this, result] { WriteDone(result); }, Qt::QueuedConnection);
        });
    connect(timer_, &QTimer::timeout, this, &AutosaveTimer::AutosaveNow);
    connect(&frame, &CMainFrame::DocumentAdded, this, &AutosaveTimer::Track);
    connect(&frame, &CMainFrame::DocumentClosed, this, &AutosaveTimer::Forget);
    connect(&frame, &CMainFrame::SettingsApplied, this, &AutosaveTimer::ApplySettings);
    for (const auto& document : frame.Documents()) {
        Track(document.get());
    }
    ApplySettings();
}

AutosaveTimer::~AutosaveTimer() {
    // What was handed over is finished before the writer's thread stops.
    writer_.reset();
}

void AutosaveTimer::ApplySettings() {
    seconds_ = EffectiveAutosaveSeconds(frame_.General().autosave_seconds, override_);
    if (seconds_ > 0) {
        timer_->start(seconds_ * 1000);
    } else {
        timer_->stop();
    }
}

void AutosaveTimer::Track(CTalvorDoc* document) {
    documents_[document].number = ++next_number_;
    connect(document, &CTalvorDoc::Changed, this,
            [this, document] { documents_[document].slot.Changed(); });
    connect(document, &CTalvorDoc::Saved, this,
            [this, document] { RemoveFile(documents_[document]); });
    // Closed on purpose: its last window went (DocumentClosed), or the program ended after
    // its questions and the frame deletes its documents.
    connect(document, &QObject::destroyed, this, [this, document] { Forget(document); });
}

void AutosaveTimer::Forget(CTalvorDoc* document) {
    const auto it = documents_.find(document);
    if (it != documents_.end()) {
        RemoveFile(it->second);
        documents_.erase(it);
    }
}

void AutosaveTimer::RemoveFile(Tracked& tracked) {
    if (!tracked.slot.FileName().empty()) {
        writer_->Remove(tracked.slot.FileName());
    }
    tracked.slot.Removed();
}

std::string AutosaveTimer::FileOf(const CTalvorDoc* document) const {
    const auto it = documents_.find(document);
    return it == documents_.end() ? std::string() : it->second.slot.FileName();
}

void AutosaveTimer::AutosaveNow() {
    for (const auto& owned : frame_.Documents()) {
        CTalvorDoc* document = owned.get();
        Tracked& tracked = documents_[document];
        switch (tracked.slot.Next(document->IsModified())) {
            case AutosaveAction::Write: {
                // The snapshot is the window thread's only part; the writer does the rest. It
                // keeps the windows' cameras as they are now, as a save would, without storing
                // them in the document.
                std::vector<std::uint8_t> scene =
                    document->Core().SaveToBytes(document->ViewsToSave(), tracked.last_size);
                tracked.last_size = scene.size();
                const std::string title = document->Title().toStdString();
                std::string name = AutosaveFileName(title, owner_, tracked.number);
                const std::string replaced = tracked.slot.Wrote(name);
                writer_->Write(std::move(name),
                               AutosaveHeader{document->PathName().toStdString(), title},
                               std::move(scene));
                if (!replaced.empty()) {
                    writer_->Remove(replaced);  // the document was saved under another name
                }
                break;
            }
            case AutosaveAction::Remove:
                RemoveFile(tracked);
                break;
            case AutosaveAction::None:
                break;
        }
    }
}

void AutosaveTimer::WriteDone(const AutosaveWriteResult& result) {
    if (result.written) {
        failures_.Succeeded();
    } else {
        // The document is written again at the next tick.
        for (auto& [document, tracked] : documents_) {
            if (tracked.slot.FileName() == result.file_name) {
                tracked.slot.WriteFailed();
            }
        }
        if (failures_.Failed()) {
            messages_.Show(Status::Message(kMsgAutosaveFailed, {writer_->Folder()}));
        }
    }
    emit Written(QString::fromStdString(result.file_name), result.written);
}

void AutosaveTimer::Recover(AutosaveRecovery& recovery) {
    const bool locked = writer_->HoldLockNow();
    for (RecoverableDocument& recovered : recovery.Documents()) {
        if (!recovered.core) {
            continue;
        }
        CTalvorDoc* document = frame_.AddRecoveredDocument(
            std::move(recovered.core), QString::fromStdString(recovered.header.path),
            QString::fromStdString(recovered.header.title));
        Tracked& tracked = documents_[document];
        const std::string name =
            AutosaveFileName(document->Title().toStdString(), owner_, tracked.number);
        // Taken over as it is: until this process writes it anew, it is still there.
        if (locked && recovery.TakeOver(recovered, writer_->Folder() + "/" + name)) {
            tracked.slot.Wrote(name);
        }
    }
    recovery.ReleaseEmptyOwners();
}

}  // namespace kelto

#include "autosave_recovery.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "files/file_io.h"
#include "model/message_table.h"

namespace kelto {
namespace {

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

RecoverableDocument Read(const AutosaveEntry& entry) {
    RecoverableDocument document;
    document.entry = entry;
    document.header.title = FileNameOf(entry.path);
    const std::string name = document.header.title;
    const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(entry.path);
    if (!bytes.ok()) {
        document.status = Status::Message(kMsgSceneOpenFailed, {name});
        return document;
    }
    const Result<AutosaveContents> contents = ReadAutosaveBytes(*bytes, name);
    if (!contents.ok()) {
        document.status = contents.status();
        return document;
    }
    document.header = contents->header;
    auto core = std::make_unique<DocumentCore>();
    document.status = core->OpenFromBytes(contents->scene, name);
    if (document.status.ok()) {
        core->MarkUnsaved();
        document.core = std::move(core);
    }
    return document;
}

}  // namespace

AutosaveRecovery AutosaveRecovery::Scan(const std::string& folder, const AutosaveOwner& self) {
    AutosaveRecovery recovery;
    const AutosaveFolderContents contents = ScanAutosaveFolder(folder);
    auto claim = [&](const AutosaveOwner& owner) -> bool {
        for (const auto& [claimed, lock] : recovery.claimed_) {
            if (claimed == owner) {
                return true;
            }
        }
        if (owner == self) {
            return false;
        }
        std::optional<OwnerLock> lock = OwnerLock::ClaimIfGone(folder, owner);
        if (!lock) {
            return false;
        }
        recovery.claimed_.emplace_back(owner, std::move(*lock));
        return true;
    };
    // Writes cut short by the end of their process are of no use to anyone.
    for (const AutosaveEntry& unfinished : contents.unfinished) {
        if (claim(unfinished.owner)) {
            ::unlink(unfinished.path.c_str());
        }
    }
    for (const AutosaveEntry& entry : contents.autosaves) {
        if (claim(entry.owner)) {
            recovery.documents_.push_back(Read(entry));
        }
    }
    recovery.ReleaseEmptyOwners();
    return recovery;
}

void AutosaveRecovery::Delete(bool damaged_only) {
    for (RecoverableDocument& document : documents_) {
        if (!document.entry.path.empty() && (!damaged_only || !document.core)) {
            ::unlink(document.entry.path.c_str());
            document.entry.path.clear();
        }
    }
    ReleaseEmptyOwners();
}

bool AutosaveRecovery::TakeOver(RecoverableDocument& document, const std::string& new_path) {
    if (document.entry.path.empty() ||
        std::rename(document.entry.path.c_str(), new_path.c_str()) != 0) {
        return false;
    }
    document.entry.path.clear();
    return true;
}

void AutosaveRecovery::ReleaseEmptyOwners() {
    std::erase_if(claimed_, [this](auto& claimed) {
        const bool left = std::any_of(
            documents_.begin(), documents_.end(), [&](const RecoverableDocument& document) {
                return !document.entry.path.empty() && document.entry.owner == claimed.first;
            });
        if (!left) {
            claimed.second.ReleaseAndRemove();
        }
        return !left;
    });
}

}  // namespace kelto

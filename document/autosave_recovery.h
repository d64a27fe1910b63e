// What a start finds of processes that ended without closing their documents: their
// autosaves, read, each with the scene or with the reader's message. The owners found gone
// are claimed (their locks held) while the user decides, so that two processes starting at
// once never offer the same autosaves; autosaves of running processes are never touched.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "document_core.h"
#include "files/autosave_files.h"
#include "files/owner_lock.h"

namespace kelto {

struct RecoverableDocument {
    AutosaveEntry entry;
    AutosaveHeader header;  // the document's file and title (the file's name when damaged)
    std::unique_ptr<DocumentCore> core;  // the scene as autosaved, modified; null when damaged
    Status status;                       // the reader's message when damaged
};

class AutosaveRecovery {
  public:
    // Lists `folder` and reads the autosaves whose owners are gone (never `self`'s). A folder
    // that is missing or cannot be read gives nothing; only then is anything read.
    static AutosaveRecovery Scan(const std::string& folder, const AutosaveOwner& self);

    AutosaveRecovery() = default;
    AutosaveRecovery(AutosaveRecovery&&) = default;
    AutosaveRecovery& operator=(AutosaveRecovery&&) = default;
    // Lets go of the owners claimed: their autosaves stay for the next start ("Later").
    ~AutosaveRecovery() = default;

    bool Empty() const { return documents_.empty(); }
    std::vector<RecoverableDocument>& Documents() { return documents_; }

    // Deletes the autosaves listed (all, or the damaged ones with `damaged_only`), and the
    // locks of owners that have none left. A document whose autosave is gone keeps its place
    // in the list with an empty entry path.
    void Delete(bool damaged_only = false);
    // Takes the document's autosave over as `new_path` (a rename in the folder: nothing is
    // copied, and a crash at any moment leaves one of the two names); false when it could not
    // be renamed (the old autosave then stays, to be offered again). Its entry path is emptied.
    bool TakeOver(RecoverableDocument& document, const std::string& new_path);
    // Frees the locks of owners whose autosaves are all gone.
    void ReleaseEmptyOwners();

  private:
    std::vector<RecoverableDocument> documents_;
    std::vector<std::pair<AutosaveOwner, OwnerLock>> claimed_;
};

}  // namespace kelto

// When autosaves are written, without a clock of its own: the interval in effect, and for each
// document whether the next timer tick writes its autosave, removes it or leaves it.
#pragma once

#include <cstdint>
#include <string>

namespace kelto {

// Read from the environment by the program: a whole number of seconds from 1 up (0: off)
// that replaces the setting's interval, so that a test need not wait ten seconds.
inline constexpr char kAutosaveOverrideVariable[] = "KELTO_AUTOSAVE_SECONDS";

// The interval in seconds (0: no autosaves): the setting's (GeneralSettings, already checked),
// unless the override's text (null when unset) is a whole number from 0 to a day.
int EffectiveAutosaveSeconds(int setting, const char* override_text);

enum class AutosaveAction {
    None,
    Write,   // a snapshot of the document to its autosave
    Remove,  // its autosave is out of date: the scene is what its file holds
};

// One document's autosave: what it was called and which of the document's changes it holds.
class AutosaveSlot {
  public:
    // A change of the document (any change set, the selection's included: the file keeps it).
    void Changed() { ++changes_; }
    // What the next tick does for a document that is (or is not) modified.
    AutosaveAction Next(bool modified) const;
    // A snapshot of the changes so far was handed to the writer as `file_name`; the file it
    // replaces, if any and of another name, is returned (to be removed after the write).
    std::string Wrote(std::string file_name);
    // The write handed over last failed: the next tick writes again.
    void WriteFailed() { failed_ = true; }
    // The autosave was removed (the document was saved, or is as its file holds it).
    void Removed();
    const std::string& FileName() const { return file_name_; }

  private:
    std::uint64_t changes_ = 0;
    std::uint64_t written_ = 0;
    std::string file_name_;  // empty while there is no autosave
    bool failed_ = false;
};

// Failures of autosave writes are told once, then again only after a write has worked.
class AutosaveFailureGate {
  public:
    // True when this failure should be told.
    bool Failed();
    void Succeeded() { told_ = false; }

  private:
    bool told_ = false;
};

}  // namespace kelto

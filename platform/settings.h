// The per-user settings store, by section and key.
#pragma once

#include <optional>
#include <string>

namespace kelto {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> Read(const std::string& section,
                                            const std::string& key) const = 0;
    virtual void Write(const std::string& section, const std::string& key,
                       const std::string& value) = 0;

    // Integer values are stored as decimal text; a missing or unreadable value gives the default.
    int ReadInt(const std::string& section, const std::string& key, int fallback) const;
    void WriteInt(const std::string& section, const std::string& key, int value);
};

}  // namespace kelto

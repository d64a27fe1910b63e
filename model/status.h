// How the libraries report what went wrong: a Status names a message of the program's table by
// its number, keeps the values filled into its fields and the kind of box it is shown in, and
// carries the final text. Result<T> is a value or the Status that explains why there is none.
// No library throws across its boundary; the front ends show or print statuses.
#pragma once

#include <cassert>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kelto {

// The box a message is shown in.
enum class MessageIcon { None, Information, Warning, Error, Question };

class Status {
  public:
    static constexpr int kOk = 0;
    // A failure the program has no message for (a file whose tree links lead nowhere); the
    // front ends say in their own words that the file could not be read.
    static constexpr int kSilentFailure = -1;
    // A message that comes from a library (an image decoder) rather than our table.
    static constexpr int kLibraryMessage = -2;
    // A request written wrongly (a malformed build operation); the text says what is wrong.
    static constexpr int kUsage = -3;

    Status() = default;

    static Status Ok() { return {}; }
    static Status Silent() { return Status(kSilentFailure, {}, MessageIcon::Error, {}); }
    static Status Library(std::string text) {
        return Status(kLibraryMessage, {}, MessageIcon::Error, std::move(text));
    }
    static Status Usage(std::string text) {
        return Status(kUsage, {}, MessageIcon::Error, std::move(text));
    }
    // Message `number` with its fields filled in order from `arguments` (each "%s" or "%d"
    // takes the next one), shown in the table's box for it.
    static Status Message(int number, std::initializer_list<std::string> arguments = {});
    static Status Message(int number, std::initializer_list<std::string> arguments,
                          MessageIcon icon);
    // The same with a text already made by the caller.
    static Status WithText(int number, std::string text);
    static Status Message(int number, std::string text) {
        return WithText(number, std::move(text));
    }

    bool ok() const { return number == kOk; }
    explicit operator bool() const { return ok(); }

    int number = kOk;
    std::vector<std::string> arguments;
    MessageIcon icon = MessageIcon::None;
    std::string text;

    friend bool operator==(const Status&, const Status&) = default;

  private:
    Status(int n, std::vector<std::string> args, MessageIcon i, std::string t)
        : number(n), arguments(std::move(args)), icon(i), text(std::move(t)) {}
};

// A value, or the Status that says why there is none.
template <typename T>
class Result {
  public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
    Result(Status status) : value_(std::move(status)) { assert(!std::get<Status>(value_).ok()); }

    bool ok() const { return std::holds_alternative<T>(value_); }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<T>(value_); }
    const T& value() const& { return std::get<T>(value_); }
    T&& value() && { return std::get<T>(std::move(value_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // The failure; Ok for a result that holds a value.
    Status status() const { return ok() ? Status::Ok() : std::get<Status>(value_); }

  private:
    std::variant<T, Status> value_;
};

}  // namespace kelto

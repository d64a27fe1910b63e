// How the libraries reach the desktop: messages with an icon and buttons, and progress.
// The application shows them in dialogs; the headless implementation records them.
#pragma once

#include <string>

#include "model/status.h"  // MessageIcon, the one value type the desktop shares with the core

namespace kelto {
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // Shows one message (its number in the string table and its final text) and returns the
    // button the user chose.
    virtual MessageAnswer Show(int number, const std::string& text, MessageIcon icon,
                               MessageButtons buttons) = 0;
};

class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    // percent in 0..100.
    virtual void Report(int percent) = 0;
};

}  // namespace kelto

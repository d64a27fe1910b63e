#include "messages.h"

namespace kelto {

MessageAnswer MessageSink::Show(const Status& status) {
    const std::string text =
        status.text.empty() ? std::string("Kelto could not complete the operation.") : status.text;
    const MessageIcon icon = status.icon == MessageIcon::None ? MessageIcon::Error : status.icon;
    return Show(status.number, text, icon, MessageButtons::Ok);
}

}  // namespace kelto

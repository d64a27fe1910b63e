// File > Run Script... in a build without Python.
#include "app/run_script.h"

#include "model/message_table.h"

namespace kelto {

Status RunScript(DocumentCore& /*core*/, const std::string& /*document_path*/,
                 const std::string& /*script_path*/) {
    return Status::Message(kMsgScriptUnavailable);
}

}  // namespace kelto

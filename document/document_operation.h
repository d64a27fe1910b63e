// Inside the document core only: the scope of one operation. Changes collect while one is
// open and reach the listeners, as one set, when the outermost one closes.
#pragma once

#include "document_core.h"

namespace kelto {

class DocumentCore::Operation {
  public:
    explicit Operation(DocumentCore& document) : document_(document) {
        ++document_.operation_depth_;
    }
    ~Operation() {
        if (--document_.operation_depth_ == 0 && !document_.pending_.Empty()) {
            ChangeSet changes = std::move(document_.pending_);
            document_.pending_ = {};
            document_.hub_->Dispatch(changes);
        }
    }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

  private:
    DocumentCore& document_;
};

}  // namespace kelto

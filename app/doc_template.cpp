#include "doc_template.h"

#include <QStringList>

namespace kelto {

DocumentTemplate::DocumentTemplate(int resource_id, const QString& strings, FrameFactory factory)
    : resource_id_(resource_id), strings_(strings.split('\n')), factory_(std::move(factory)) {}

QString DocumentTemplate::String(int n) const {
    return n >= 0 && n < strings_.size() ? strings_[n] : QString();
}

}  // namespace kelto

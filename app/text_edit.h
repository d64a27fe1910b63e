// Edit Text: the "Text Tool" dialog filled in with what a Text object was made of; OK makes
// the object anew where it stands, one step of the history.
#pragma once

#include <QWidget>

#include "app/editor_services.h"
#include "document/document_core.h"
#include "interaction/text_tool_prompt.h"

namespace kelto {

// What the dialog starts from: the object's text, font and depth, or, for a Text object from
// a file that does not keep them (earlier versions), no text, the text tool's last font and
// the depth of its mesh.
TextToolChoice EditTextStart(const DocumentCore& document, NodeId node,
                             const SettingsStore& settings);

// Shows the dialog over `parent`; OK makes the object anew (EditText). A text the font cannot
// make is refused with the text tool's message and the object stays as it was; Cancel changes
// nothing. True when the object changed.
bool EditTextObject(DocumentCore& document, NodeId node, const EditorServices& services,
                    QWidget* parent);

}  // namespace kelto

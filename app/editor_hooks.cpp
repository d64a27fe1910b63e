#include "editor_hooks.h"

#include <QPointer>

#include "app/light_dialog.h"
#include "app/materials_sheet.h"
#include "app/talvor_doc.h"
#include "app/text_edit.h"

namespace kelto {

void AddEditorHooks(CommandHooks& hooks, const EditorServices& services, QWidget* parent) {
    QPointer<QWidget> owner(parent);
    hooks.material_properties = [services, owner](CTalvorDoc& document, NodeId node) {
        EditMaterial(document.Core(), node, services, owner.data());
    };
    hooks.light_properties = [services, owner](CTalvorDoc& document, LightId light) {
        EditLight(document.Core(), light, services, owner.data());
    };
    hooks.edit_text = [services, owner](CTalvorDoc& document, NodeId node) {
        EditTextObject(document.Core(), node, services, owner.data());
    };
}

}  // namespace kelto

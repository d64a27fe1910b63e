#include "text_edit.h"

#include <algorithm>
#include <cmath>

#include "app/text_dialog.h"

namespace kelto {

TextToolChoice EditTextStart(const DocumentCore& document, NodeId node,
                             const SettingsStore& settings) {
    if (const std::optional<TextSettings> stored = document.TextSettingsOf(node)) {
        return {stored->text, stored->font, stored->depth};
    }
    TextToolChoice choice = SettingsTextToolPrompt::FromSettings(settings, {});
    if (const SceneNode* text = document.Node(node)) {
        // The mesh runs through the depth along its own y.
        const double depth = double(text->box.max.y) - text->box.min.y;
        if (std::isfinite(depth) && depth > 0.0) {
            choice.depth =
                std::clamp(std::round(depth * 100.0) / 100.0, TextDepthFromSlider(kMinDepthSlider),
                           TextDepthFromSlider(kMaxDepthSlider));
        }
    }
    return choice;
}

bool EditTextObject(DocumentCore& document, NodeId node, const EditorServices& services,
                    QWidget* parent) {
    if (document.Node(node) == nullptr) {
        return false;
    }
    CTextToolDlg dialog(services.settings, parent);
    dialog.ShowChoice(EditTextStart(document, node, services.settings));
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    const TextToolChoice choice = dialog.Choice();
    const Result<TextInsertion> made =
        document.EditText(node, choice.text, choice.font, choice.depth);
    if (!made.ok()) {
        services.messages.Show(made.status());
        return false;
    }
    if (!made->warning.ok()) {
        services.messages.Show(made->warning);
    }
    return true;
}

}  // namespace kelto

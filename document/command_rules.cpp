#include "command_rules.h"

namespace kelto {

CommandState GroupCommandState(const DocumentCore& document) {
    const SelectionSummary& s = document.Selection();
    const bool single_group = s.selected_count == 1 && s.is_group;
    return {s.selected_count > 1 || single_group, single_group};
}

CommandState TrimCommandState(const DocumentCore& document) {
    const SelectionSummary& s = document.Selection();
    const bool single_trim = s.selected_count == 1 && s.is_trim;
    return {s.selected_count == 2 || single_trim, single_trim};
}

CommandState CombineCommandState(const DocumentCore& document) {
    return {document.Selection().selected_count == 2, false};
}

CommandState IntersectCommandState(const DocumentCore& document) {
    return CombineCommandState(document);
}

CommandState MaterialPropertiesState(const DocumentCore& document) {
    const SelectionSummary& s = document.Selection();
    const int lights = document.GetScene().CountSelectedLights();
    return {s.selected_count + lights == 1 && s.selected_count == 1 && !s.is_group, false};
}

CommandState LightPropertiesState(const DocumentCore& document) {
    const SelectionSummary& s = document.Selection();
    const int lights = document.GetScene().CountSelectedLights();
    return {s.selected_count + lights == 1 && lights == 1 && !s.is_group, false};
}

CommandState EditTextState(const DocumentCore& document) {
    const SceneNode* node = document.GetScene().FirstSelectedTopLevel();
    return {MaterialPropertiesState(document).enabled && node != nullptr &&
                node->type == ObjectType::Text,
            false};
}

}  // namespace kelto

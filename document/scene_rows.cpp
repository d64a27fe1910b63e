#include "scene_rows.h"

#include "model/child_list.h"

namespace kelto {

SceneRows FlattenScene(const Scene& scene) {
    SceneRows flat;
    flat.rows.reserve(scene.NodeCount() + scene.Lights().size());
    // Depth first with a stack of our own: deep trees do not reach the program's stack.
    std::vector<std::pair<const SceneNode*, int>> pending;
    auto push_children = [&](const SceneNode& parent, int parent_row) {
        const std::vector<SceneNode*> children = ChildrenOf(parent);
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            pending.emplace_back(*it, parent_row);
        }
    };
    push_children(scene.Root(), -1);
    while (!pending.empty()) {
        const auto [node, parent_row] = pending.back();
        pending.pop_back();
        SceneRow row;
        row.node = node->id;
        row.type = node->type;
        row.parent = parent_row;
        row.visible = node->visible != 0;
        row.selected = node->selected != 0;
        const int index = static_cast<int>(flat.rows.size());
        std::vector<int>& siblings = parent_row < 0
                                         ? flat.top_level
                                         : flat.rows[static_cast<std::size_t>(parent_row)].children;
        row.depth = parent_row < 0 ? 0 : flat.rows[static_cast<std::size_t>(parent_row)].depth + 1;
        row.index_in_parent = static_cast<int>(siblings.size());
        siblings.push_back(index);
        flat.rows.push_back(std::move(row));
        push_children(*node, index);
    }
    for (const Light& light : scene.Lights()) {
        SceneRow row;
        row.light = light.id;
        row.selected = light.selected != 0;
        row.index_in_parent = static_cast<int>(flat.top_level.size());
        flat.top_level.push_back(static_cast<int>(flat.rows.size()));
        flat.rows.push_back(std::move(row));
    }
    return flat;
}

std::vector<int> RefreshFlags(const Scene& scene, SceneRows& flat) {
    std::vector<int> changed;
    for (std::size_t i = 0; i < flat.rows.size(); ++i) {
        SceneRow& row = flat.rows[i];
        bool selected = false;
        bool visible = true;
        if (row.IsLight()) {
            const Light* light = scene.FindLight(row.light);
            selected = light != nullptr && light->selected != 0;
        } else if (const SceneNode* node = scene.FindNode(row.node)) {
            selected = node->selected != 0;
            visible = node->visible != 0;
        }
        if (selected != row.selected || visible != row.visible) {
            row.selected = selected;
            row.visible = visible;
            changed.push_back(static_cast<int>(i));
        }
    }
    return changed;
}

}  // namespace kelto

// The scene tree as a list of rows, as the Objects panel shows it: each node under the root in
// sibling order, each container's members after it one level deeper, then the lights at the
// top level. Each row knows its parent row and its own children's rows, so that a tree model
// can answer its questions from the list without walking the scene.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/handles.h"
#include "model/object_type.h"
#include "model/scene.h"

namespace kelto {

struct SceneRow {
    NodeId node;    // none for a light's row
    LightId light;  // none for a node's row
    ObjectType type = ObjectType::Sphere;
    int depth = 0;              // 0 for the top level
    int parent = -1;            // the parent's row; -1 at the top level
    int index_in_parent = 0;    // the place among the parent's rows (or the top level's)
    std::vector<int> children;  // the members' rows, in order
    bool visible = true;
    bool selected = false;
    bool IsLight() const { return static_cast<bool>(light); }
};

struct SceneRows {
    std::vector<SceneRow> rows;
    std::vector<int> top_level;  // the rows at depth 0, in order
};

// Every node below the root and every light, parents before their members.
SceneRows FlattenScene(const Scene& scene);

// Brings the rows' selected and visible flags up to date with the scene; returns the rows whose
// flags changed.
std::vector<int> RefreshFlags(const Scene& scene, SceneRows& rows);

}  // namespace kelto

#include "tests/app/soak_checks.h"

#include <set>

#include "document/document_core.h"
#include "model/child_list.h"

namespace kelto::soak {
namespace {

// Visits the tree below `parent`; returns the first fault, counting the nodes met in `seen`.
std::string CheckBelow(const Scene& scene, const SceneNode& parent, std::size_t& seen) {
    for (const SceneNode* child : Children(parent)) {
        if (++seen > scene.NodeCount())
            return "the tree holds more nodes than the name map (a node linked twice?)";
        if (scene.ParentOf(*child) != &parent)
            return "the parent of " + child->name + " is not the node that holds it";
        if (scene.FindNode(child->id) != child)
            return "the handle of " + child->name + " does not find it";
        if (scene.FindNode(child->name) != child)
            return "the name " + child->name + " does not find its node";
        if (child->type == ObjectType::Root)
            return "a root node inside the tree";
        if (std::string fault = CheckBelow(scene, *child, seen); !fault.empty())
            return fault;
    }
    return {};
}

}  // namespace

std::string Inconsistency(const DocumentCore& document) {
    const Scene& scene = document.GetScene();
    std::size_t seen = 1;  // the root
    if (std::string fault = CheckBelow(scene, scene.Root(), seen); !fault.empty())
        return fault;
    if (seen != scene.NodeCount())
        return "the name map holds " + std::to_string(scene.NodeCount()) + " nodes, the tree " +
               std::to_string(seen);
    std::set<std::string> light_names;
    for (const Light& light : scene.Lights()) {
        if (document.FindLight(light.id) != &light)
            return "the handle of light " + light.name + " does not find it";
        if (!light_names.insert(light.name).second)
            return "two lights are named " + light.name;
    }
    const int flagged = scene.CountSelectedNodes();
    if (document.Selection().selected_count != flagged)
        return "the selection summary counts " +
               std::to_string(document.Selection().selected_count) + " nodes, " +
               std::to_string(flagged) + " are flagged selected";
    for (const SceneNode* node : scene.SelectedNodes())
        if (node != &scene.Root() && scene.ParentOf(*node) == nullptr)
            return "the selected node " + node->name + " is not in the tree";
    return {};
}

std::vector<std::uint8_t> SceneBytes(const DocumentCore& document) {
    DocumentCore copy;
    const std::vector<std::uint8_t> bytes = document.SaveToBytes();
    if (!copy.OpenFromBytes(bytes, "copy").ok())
        return bytes;
    copy.SetViews({});
    copy.ClearSelection();
    return copy.SaveToBytes();
}

std::string FirstDifference(const std::vector<std::uint8_t>& a,
                            const std::vector<std::uint8_t>& b) {
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
           ", first difference at byte " + std::to_string(at);
}

}  // namespace kelto::soak

// The import of other programs' model files into the document: the file's tree as groups,
// its meshes as mesh objects, its cameras as stored views and its lights as lights, all one
// step of the history.
#include <algorithm>
#include <cmath>
#include <map>

#include "document_core.h"
#include "document_operation.h"
#include "files/file_io.h"
#include "files/scene_file.h"
#include "history.h"
#include "model/child_list.h"

namespace kelto {
namespace {

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Hands out names unique in the scene: the base itself while free, else the base (cut to
// leave room) followed by the next number. Counting on from the last number given keeps a
// file of many meshes of one name from searching from 1 each time.
class UniqueNames {
  public:
    explicit UniqueNames(const Scene& scene) : scene_(scene) {}

    std::string Take(const std::string& wanted, ObjectType type) {
        const std::string base = wanted.empty() ? std::string(NameBase(type)) : wanted;
        if (!scene_.IsNameUsed(base) && base.size() <= kMaxStoredNameLength) {
            return base;
        }
        int& last = last_number_[base];
        for (;;) {
            const std::string number = std::to_string(++last);
            std::string candidate =
                base.substr(0,
                            kMaxStoredNameLength - std::min(number.size(), kMaxStoredNameLength)) +
                number;
            if (!scene_.IsNameUsed(candidate)) {
                return candidate;
            }
        }
    }

  private:
    const Scene& scene_;
    std::map<std::string, int> last_number_;
};

Vec3 Rotated(const Vec3& v, const Matrix4& r) {
    const auto& m = r.m;
    return {v.x * m[0] + v.y * m[4] + v.z * m[8], v.x * m[1] + v.y * m[5] + v.z * m[9],
            v.x * m[2] + v.y * m[6] + v.z * m[10]};
}

Vec3 Normalised(const Vec3& v) {
    const double length = v.Length();
    return length > 0 ? v * (1.0 / length) : v;
}

// The rotation under which a spot light's -z axis points along `direction`.
Matrix4 AimAlong(const Vec3& direction) {
    const Vec3 back = Normalised(direction * -1.0);
    const Vec3 helper = std::abs(back.y) < 0.9 ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    const Vec3 right = Normalised(Cross(helper, back));
    const Vec3 up = Cross(back, right);
    Matrix4 m;
    const Vec3 rows[3] = {right, up, back};
    for (int r = 0; r < 3; ++r) {
        m.m[static_cast<std::size_t>(4 * r)] = rows[r].x;
        m.m[static_cast<std::size_t>(4 * r + 1)] = rows[r].y;
        m.m[static_cast<std::size_t>(4 * r + 2)] = rows[r].z;
    }
    return m;
}

// A mesh object holding one piece, centred on its own box; `position`, `rotation` and `scale`
// place the piece's frame in the parent's.
SceneNode* MakeMeshObject(Scene& scene, Mesh piece, const std::string& name, const Vec3& position,
                          const Matrix4& rotation, const Vec3& scale) {
    SceneNode* node = *scene.AddNode(ObjectType::Mesh, name);
    const BoundingBox box = piece.Box();
    const Vec3 centre{(box.min.x + box.max.x) * 0.5, (box.min.y + box.max.y) * 0.5,
                      (box.min.z + box.max.z) * 0.5};
    for (DisplayVertex& v : piece.vertices) {
        v.x = static_cast<float>(v.x - centre.x);
        v.y = static_cast<float>(v.y - centre.y);
        v.z = static_cast<float>(v.z - centre.z);
    }
    node->shape = std::make_unique<MeshShape>();
    node->display_mesh = std::move(piece);
    node->box = node->display_mesh.Box();
    node->rotation = rotation;
    node->scale = scale;
    node->position =
        position + Rotated({centre.x * scale.x, centre.y * scale.y, centre.z * scale.z}, rotation);
    node->UpdateBounds();
    node->ComputeParentFromNode();
    return node;
}

// The file's tree as objects: a node that is one piece of mesh and nothing else becomes a mesh
// object, any other a group of its pieces and its children's objects; nodes with nothing under
// them make nothing. The file's nodes come parents first, so one pass down makes the objects
// and one pass up gives the groups their boxes. The first object made is the top one.
std::vector<SceneNode*> BuildTree(Scene& scene, ModelScene& model, const std::string& top_name) {
    const std::size_t count = model.nodes.size();
    const auto pieces_of = [&model](std::size_t mesh) { return model.meshes[mesh].pieces.size(); };
    std::vector<char> content(count, 0);
    for (std::size_t i = count; i-- > 0;) {
        const ModelNode& node = model.nodes[i];
        content[i] = std::any_of(node.meshes.begin(), node.meshes.end(),
                                 [&](std::size_t m) { return pieces_of(m) > 0; }) ||
                     std::any_of(node.children.begin(), node.children.end(),
                                 [&](std::size_t c) { return c < count && content[c]; });
    }
    // A mesh several nodes show is copied for all but the last of them.
    std::vector<std::size_t> uses(model.meshes.size(), 0);
    for (std::size_t i = 0; i < count; ++i) {
        for (const std::size_t m : model.nodes[i].meshes) {
            uses[m] += content[i] ? 1 : 0;
        }
    }
    const auto take = [&uses, &model](std::size_t mesh, std::size_t piece) -> Mesh {
        Mesh& held = model.meshes[mesh].pieces[piece];
        if (uses[mesh] == 1) {
            return std::move(held);
        }
        return held;
    };
    UniqueNames names(scene);
    std::vector<SceneNode*> made(count, nullptr);
    std::vector<SceneNode*> parent_of(count, &scene.Root());
    std::vector<char> passed_name(count, 0);  // took the top's name from a node left out
    std::vector<SceneNode*> all;
    for (std::size_t i = 0; i < count; ++i) {
        ModelNode& node = model.nodes[i];
        if (!content[i] || parent_of[i] == nullptr) {
            continue;
        }
        const auto content_children =
            std::count_if(node.children.begin(), node.children.end(),
                          [&](std::size_t c) { return c < count && content[c]; });
        const bool has_children = content_children > 0;
        const std::string wanted = i == 0 ? top_name : node.name;
        // A node that only passes one child on, unmoved, is left out of the tree.
        const bool own_pieces = std::any_of(node.meshes.begin(), node.meshes.end(),
                                            [&](std::size_t m) { return pieces_of(m) > 0; });
        if (!own_pieces && content_children == 1 && node.position == Vec3{} &&
            node.rotation == Matrix4{} && node.scale == Vec3{1, 1, 1}) {
            for (const std::size_t c : node.children) {
                if (c < count && content[c]) {
                    parent_of[c] = parent_of[i];
                    if (i == 0 || passed_name[i]) {
                        model.nodes[c].name = wanted;
                        passed_name[c] = 1;
                    }
                }
            }
            continue;
        }
        if (!has_children && node.meshes.size() == 1 && pieces_of(node.meshes[0]) == 1) {
            ModelMesh& mesh = model.meshes[node.meshes[0]];
            SceneNode* object =
                MakeMeshObject(scene, take(node.meshes[0], 0),
                               names.Take(wanted.empty() ? mesh.name : wanted, ObjectType::Mesh),
                               node.position, node.rotation, node.scale);
            object->material = model.materials[mesh.material];
            object->smooth = mesh.smooth ? 1 : 0;
            LinkChild(*parent_of[i], *object);
            --uses[node.meshes[0]];
            made[i] = object;
            all.push_back(object);
            continue;
        }
        SceneNode* group = *scene.AddNode(ObjectType::Group, names.Take(wanted, ObjectType::Group));
        group->position = node.position;
        group->rotation = node.rotation;
        group->scale = node.scale;
        group->group_flag = 1;
        LinkChild(*parent_of[i], *group);
        made[i] = group;
        all.push_back(group);
        for (const std::size_t m : node.meshes) {
            const ModelMesh& mesh = model.meshes[m];
            for (std::size_t p = 0; p < mesh.pieces.size(); ++p) {
                SceneNode* object =
                    MakeMeshObject(scene, take(m, p), names.Take(mesh.name, ObjectType::Mesh), {},
                                   Matrix4{}, {1, 1, 1});
                object->material = model.materials[mesh.material];
                object->smooth = mesh.smooth ? 1 : 0;
                LinkChild(*group, *object);
                all.push_back(object);
            }
            --uses[m];
        }
        for (const std::size_t c : node.children) {
            if (c < count) {
                parent_of[c] = group;
            }
        }
    }
    for (std::size_t i = count; i-- > 0;) {
        SceneNode* group = made[i];
        if (group == nullptr || group->type != ObjectType::Group) {
            continue;
        }
        // Linking pushes to the front: turn the list round so siblings keep the file's order.
        std::vector<SceneNode*> children = ChildrenOf(*group);
        std::reverse(children.begin(), children.end());
        SetChildren(*group, children);
        constexpr float kFar = 10000000.0f;
        BoundingBox box{{kFar, kFar, kFar}, {-kFar, -kFar, -kFar}};
        for (const SceneNode* child : Children(*group)) {
            GrowByPlacedBox(box, *child);
        }
        group->box = box;
        group->UpdateBounds();
        group->ComputeParentFromNode();
    }
    return all;
}

}  // namespace

bool IsImportableObjectExtension(const std::string& extension) {
    return LowerCase(extension) == "3ds" || IsModelExtension(extension);
}

Result<ImportedObjects> DocumentCore::ImportObject(const std::string& path,
                                                   const ModelImportOptions& options) {
    if (LowerCase(ExtensionOf(path)) == "3ds") {
        Result<std::vector<NodeId>> made = Import3ds(path, options.scale);
        if (!made.ok()) {
            return made.status();
        }
        return ImportedObjects{std::move(*made), {}};
    }
    Result<ModelScene> model = ReadModelFile(path, options);
    if (!model.ok()) {
        return model.status();
    }
    return AddModel(std::move(*model), FileNameOf(path));
}

Result<ImportedObjects> DocumentCore::ImportModelBytes(std::span<const std::uint8_t> bytes,
                                                       const std::string& file_name,
                                                       const ModelImportOptions& options) {
    Result<ModelScene> model = ReadModelBytes(bytes, file_name, options);
    if (!model.ok()) {
        return model.status();
    }
    return AddModel(std::move(*model), file_name);
}

Result<ImportedObjects> DocumentCore::AddModel(ModelScene model, const std::string& file_name) {
    Operation operation(*this);
    EditStep& step = Record("Import " + file_name.substr(0, kMaxImportNameBase));
    step.TouchChildren(scene_.Root());
    std::string top_name = file_name.substr(0, file_name.rfind('.'));
    top_name = top_name.substr(0, kMaxImportNameBase);
    for (char& c : top_name) {
        c = c >= 0x20 && c < 0x7F ? c : '_';
    }
    const std::vector<SceneNode*> made = BuildTree(scene_, model, top_name);
    ImportedObjects result;
    result.warnings = std::move(model.warnings);
    for (SceneNode* node : made) {
        step.Added(*node);
        Notify(ChangeKind::NodeAdded, node->id);
    }
    if (!made.empty()) {
        result.objects.push_back(made.front()->id);
        Notify(ChangeKind::TreeChanged, made.front()->id);
    }
    for (const ModelLight& from : model.lights) {
        Light light;
        light.kind = from.kind == ModelLight::Kind::Spot ? LightKind::Spot : LightKind::Point;
        light.position = from.position;
        light.diffuse = {from.colour.r, from.colour.g, from.colour.b, 1.0f};
        light.highlight = light.diffuse;
        light.spot_angle = from.spot_angle;
        light.spot_cosine = static_cast<float>(std::cos(from.spot_angle * 3.141592653589793 / 180));
        light.rotation = AimAlong(from.direction);
        light.name = scene_.MakeLightName(light.kind);
        const Light& added = scene_.Lights()[static_cast<std::size_t>(scene_.AddLight(light))];
        step.LightAdded(added);
        Notify(ChangeKind::LightAdded, {}, added.id);
    }
    for (const ModelCamera& from : model.cameras) {
        ViewEntry view;
        view.eye = from.eye;
        view.target = from.target;
        view.direction = Normalised(from.target - from.eye);
        view.lens = static_cast<std::int32_t>(std::lround(from.lens));
        const std::size_t index = AddStoredView(view);
        if (!from.name.empty()) {
            RenameView(index, from.name);  // a name already taken keeps the default one
        }
    }
    ClearSelection();
    if (!result.objects.empty()) {
        SelectNode(result.objects.front(), false);
    }
    return result;
}

}  // namespace kelto

#include "stl_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>

#include "file_io.h"
#include "model/message_table.h"
#include "model/placement_walk.h"
#include "shell_repair.h"

namespace kelto {
namespace {

// One solid's facets as the walk gathers them, in world space, wound outwards.
struct GatheredSolid {
    std::string name;
    std::vector<Vec3> corners;  // three a facet
    bool mend = false;          // a boolean result, whose cut surfaces may meet at T-junctions
};

Vec3 WorldPoint(const Matrix4& m, const DisplayVertex& v) {
    const double w = v.x * m[3] + v.y * m[7] + v.z * m[11] + m[15];
    return Vec3{v.x * m[0] + v.y * m[4] + v.z * m[8] + m[12],
                v.x * m[1] + v.y * m[5] + v.z * m[9] + m[13],
                v.x * m[2] + v.y * m[6] + v.z * m[10] + m[14]} *
           (1.0 / w);
}

bool Finite(const Vec3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Appends the placed mesh's triangles, each turned so that it faces where its corners'
// normals face (a mirroring placement turns the winding over, the normals stay outside).
void Gather(const Mesh& mesh, const Matrix4& world_from_mesh, GatheredSolid& solid) {
    const NormalTransform normals = NormalTransform::Of(world_from_mesh);
    const double determinant =
        world_from_mesh[0] *
            (world_from_mesh[5] * world_from_mesh[10] - world_from_mesh[6] * world_from_mesh[9]) -
        world_from_mesh[1] *
            (world_from_mesh[4] * world_from_mesh[10] - world_from_mesh[6] * world_from_mesh[8]) +
        world_from_mesh[2] *
            (world_from_mesh[4] * world_from_mesh[9] - world_from_mesh[5] * world_from_mesh[8]);
    const std::size_t count = mesh.vertices.size();
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        const std::size_t k[3] = {mesh.indices[i], mesh.indices[i + 1], mesh.indices[i + 2]};
        if (k[0] >= count || k[1] >= count || k[2] >= count) {
            continue;
        }
        Vec3 p[3];
        Vec3 normal_sum;
        for (int c = 0; c < 3; ++c) {
            const DisplayVertex& v = mesh.vertices[k[c]];
            p[c] = WorldPoint(world_from_mesh, v);
            Vec3 n = normals.Apply(v.nx, v.ny, v.nz);
            const double length = n.Length();
            if (length > 0.0 && std::isfinite(length)) {
                normal_sum = normal_sum + n * (1.0 / length);
            }
        }
        if (!Finite(p[0]) || !Finite(p[1]) || !Finite(p[2])) {
            continue;
        }
        const Vec3 facing = Cross(p[1] - p[0], p[2] - p[0]);
        const double agreement = Dot(facing, normal_sum);
        const bool turn = normal_sum.Length() > 1e-9 ? agreement < 0.0 : determinant < 0.0;
        solid.corners.insert(solid.corners.end(), {p[0], turn ? p[2] : p[1], turn ? p[1] : p[2]});
    }
}

// Welds corners closer than `tolerance` (per axis) into one vertex: a grid of cells twice the
// tolerance wide, each corner compared with the vertices of its own and the neighbouring cells.
class PositionWelder {
  public:
    explicit PositionWelder(double tolerance) : tolerance_(tolerance), cell_(2.0 * tolerance) {}

    std::uint32_t Add(const Vec3& p, std::vector<Vec3>& vertices) {
        const std::int64_t cx = CellOf(p.x), cy = CellOf(p.y), cz = CellOf(p.z);
        for (std::int64_t dx = -1; dx <= 1; ++dx) {
            for (std::int64_t dy = -1; dy <= 1; ++dy) {
                for (std::int64_t dz = -1; dz <= 1; ++dz) {
                    const auto found = cells_.find(Key(cx + dx, cy + dy, cz + dz));
                    if (found == cells_.end()) {
                        continue;
                    }
                    for (const std::uint32_t v : found->second) {
                        const Vec3& q = vertices[v];
                        if (std::abs(q.x - p.x) <= tolerance_ &&
                            std::abs(q.y - p.y) <= tolerance_ &&
                            std::abs(q.z - p.z) <= tolerance_) {
                            return v;
                        }
                    }
                }
            }
        }
        const auto index = static_cast<std::uint32_t>(vertices.size());
        vertices.push_back(p);
        cells_[Key(cx, cy, cz)].push_back(index);
        return index;
    }

  private:
    std::int64_t CellOf(double v) const { return static_cast<std::int64_t>(std::floor(v / cell_)); }
    static std::uint64_t Key(std::int64_t x, std::int64_t y, std::int64_t z) {
        auto part = [](std::int64_t v) { return static_cast<std::uint64_t>(v) & 0x1FFFFF; };
        return part(x) | (part(y) << 21) | (part(z) << 42);
    }

    double tolerance_;
    double cell_;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
};

StlSolid Weld(const GatheredSolid& gathered, double unit_scale) {
    StlSolid solid;
    solid.name = gathered.name;
    BoundingBox box;
    for (const Vec3& p : gathered.corners) {
        box.Grow(Vec3f{static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
    }
    const double extent =
        std::max({box.max.x - box.min.x, box.max.y - box.min.y, box.max.z - box.min.z, 1e-3f});
    const double tolerance = extent * 1e-5;
    PositionWelder welder(tolerance);
    std::vector<Vec3> vertices;
    for (std::size_t i = 0; i + 2 < gathered.corners.size(); i += 3) {
        const std::array<std::uint32_t, 3> facet{welder.Add(gathered.corners[i], vertices),
                                                 welder.Add(gathered.corners[i + 1], vertices),
                                                 welder.Add(gathered.corners[i + 2], vertices)};
        if (facet[0] != facet[1] && facet[1] != facet[2] && facet[0] != facet[2]) {
            solid.facets.push_back(facet);
        }
    }
    if (gathered.mend) {
        MendTJunctions(vertices, tolerance, solid.facets);
        StitchSeams(vertices, extent * 0.05, solid.facets);
    }
    solid.vertices.reserve(vertices.size());
    for (const Vec3& p : vertices) {
        solid.vertices.push_back({static_cast<float>(p.x * unit_scale),
                                  static_cast<float>(p.y * unit_scale),
                                  static_cast<float>(p.z * unit_scale)});
    }
    return solid;
}

void PutU32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void PutFloat(std::uint8_t*& out, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    PutU32(out, bits);
    out += 4;
}

}  // namespace

std::vector<StlSolid> StlSolidsOf(const Scene& scene, const ExportOptions& options) {
    std::vector<GatheredSolid> gathered;
    std::unordered_map<const SceneNode*, std::size_t> solid_of;
    for (const SceneNode* top : ExportedTopLevel(scene, options)) {
        ForEachLeaf(
            *top, top->ComposeParentFromNode(), LeafRule::EveryNode, [&](const Placement& placed) {
                if (placed.node.display_mesh.indices.empty()) {
                    return;
                }
                // The operands of a boolean result make one solid together.
                const SceneNode* owner = &placed.node;
                for (const Placement* above = placed.parent; above != nullptr;
                     above = above->parent) {
                    if (above->node.IsBooleanResult()) {
                        owner = &above->node;
                    }
                }
                const auto [entry, added] = solid_of.emplace(owner, gathered.size());
                if (added) {
                    gathered.push_back({owner->name, {}, owner->IsBooleanResult()});
                }
                Gather(placed.node.display_mesh, placed.world_from_node, gathered[entry->second]);
            });
    }
    const double unit_scale = options.unit == ExportUnit::Metre ? 1000.0 : 1.0;
    std::vector<StlSolid> solids;
    for (const GatheredSolid& solid : gathered) {
        solids.push_back(Weld(solid, unit_scale));
    }
    return solids;
}

std::vector<std::uint8_t> StlBytes(std::span<const StlSolid> solids) {
    std::size_t facet_count = 0;
    for (const StlSolid& solid : solids) {
        facet_count += solid.facets.size();
    }
    std::vector<std::uint8_t> bytes(84 + 50 * facet_count, 0);
    // The header must not begin with "solid", which marks a text STL.
    static constexpr char kHeader[] = "Kelto binary STL";
    std::memcpy(bytes.data(), kHeader, sizeof kHeader - 1);
    PutU32(bytes.data() + 80, static_cast<std::uint32_t>(facet_count));
    std::uint8_t* out = bytes.data() + 84;
    for (const StlSolid& solid : solids) {
        for (const auto& f : solid.facets) {
            const Vec3f& a = solid.vertices[f[0]];
            const Vec3f& b = solid.vertices[f[1]];
            const Vec3f& c = solid.vertices[f[2]];
            Vec3 n =
                Cross(Vec3{b.x - a.x, b.y - a.y, b.z - a.z}, Vec3{c.x - a.x, c.y - a.y, c.z - a.z});
            const double length = n.Length();
            n = length > 0.0 ? n * (1.0 / length) : Vec3{};
            for (const double v : {n.x, n.y, n.z}) {
                PutFloat(out, static_cast<float>(v));
            }
            for (const Vec3f* p : {&a, &b, &c}) {
                PutFloat(out, p->x);
                PutFloat(out, p->y);
                PutFloat(out, p->z);
            }
            out += 2;  // attribute byte count
        }
    }
    return bytes;
}

Result<ExportReport> WriteSceneStl(const Scene& scene, const std::string& path,
                                   const ExportOptions& options) {
    const std::vector<StlSolid> solids = StlSolidsOf(scene, options);
    ExportReport report;
    report.objects = static_cast<int>(solids.size());
    std::string open;
    for (const StlSolid& solid : solids) {
        if (!IsClosedShell(solid.facets)) {
            open += (open.empty() ? "" : ", ") + solid.name;
        }
    }
    if (ReplaceFileContents(path, StlBytes(solids)) != FileWrite::Done) {
        return Status::Message(kMsgExportWriteFailed, {path});
    }
    report.files.push_back(path);
    if (!open.empty()) {
        report.warnings.push_back(Status::Message(kMsgExportOpenSurfaces, {open}));
    }
    return report;
}

}  // namespace kelto

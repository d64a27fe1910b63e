#include "shapes.h"

#include "curve_factory.h"
#include "tessellation.h"

namespace kelto {

bool Shape::TessellateInto(Mesh& mesh) const {
    SurfaceEvaluator evaluator;
    if (!surface.LoadInto(evaluator)) {
        mesh.Clear();
        return false;
    }
    return TessellateSurface(evaluator, steps, mesh);
}

Status Shape::BuildDisplayMesh(Mesh& mesh, BoundingBox& box) {
    const bool built = TessellateInto(mesh);
    box = mesh.Box();
    return built ? Status::Ok() : Status::Silent();
}

Status Shape::BuildRenderMesh(Mesh& mesh) {
    return TessellateInto(mesh) ? Status::Ok() : Status::Silent();
}

void Shape::RevolveProfile(NurbsPatch profile) {
    surface = RevolveCurve(profile, {0, 0, 0}, {0, 0, 1}, 360.0);
    profiles.push_back(std::move(profile));
}

void Shape::BuildProduct(NurbsPatch meridian, NurbsPatch equator) {
    surface = ProductSurface(meridian, equator);
    profiles.push_back(std::move(meridian));
    paths.push_back(std::move(equator));
}

SphereShape::SphereShape(double radius) {
    NurbsPatch profile = MakeFactoryCurve(FactoryCurve::HalfCircle);
    profile.ScaleBy({radius, radius, radius});
    RevolveProfile(std::move(profile));
}

TorusShape::TorusShape(double outer_radius, double tube_radius) {
    NurbsPatch profile = MakeFactoryCurve(FactoryCurve::FullCircle);
    profile.ScaleBy({tube_radius, tube_radius, tube_radius});
    profile.MoveBy({outer_radius - tube_radius, 0, 0});
    RevolveProfile(std::move(profile));
}

CubeShape::CubeShape() {
    BuildProduct(MakeFactoryCurve(FactoryCurve::CylinderSide), MakeSquareEquator());
}

ConeShape::ConeShape() {
    RevolveProfile(MakeConeProfile());
}

CylinderShape::CylinderShape(double radius, double height) {
    NurbsPatch profile = MakeFactoryCurve(FactoryCurve::CylinderSide);
    profile.ScaleBy({radius, 1.0, height / 2.0});
    RevolveProfile(std::move(profile));
}

ParaboloidShape::ParaboloidShape() {
    RevolveProfile(MakeParaboloidProfile());
}

HyperboloidShape::HyperboloidShape() {
    RevolveProfile(MakeHyperboloidProfile());
}

SuperquadricShape::SuperquadricShape() {
    BuildProduct(MakeSuperquadricMeridian(), MakeSuperquadricEquator());
}

void BuildFlatCubeMesh(Mesh& mesh) {
    mesh.Clear();
    struct Face {
        Vec3 normal, s_axis, t_axis;  // s_axis x t_axis == normal
    };
    static constexpr Face kFaces[6] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
    };
    for (const Face& face : kFaces) {
        const auto first = static_cast<std::uint16_t>(mesh.vertices.size());
        for (int corner = 0; corner < 4; ++corner) {
            const float s = (corner == 1 || corner == 2) ? 1.0f : 0.0f;
            const float t = (corner >= 2) ? 1.0f : 0.0f;
            const Vec3 p =
                face.normal + face.s_axis * (2.0 * s - 1.0) + face.t_axis * (2.0 * t - 1.0);
            DisplayVertex v;
            v.x = static_cast<float>(p.x);
            v.y = static_cast<float>(p.y);
            v.z = static_cast<float>(p.z);
            v.nx = static_cast<float>(face.normal.x);
            v.ny = static_cast<float>(face.normal.y);
            v.nz = static_cast<float>(face.normal.z);
            v.normal_valid = 1.0f;
            v.s = s;
            v.t = t;
            mesh.vertices.push_back(v);
        }
        // Corners 0..3 go counter-clockwise seen from outside, and so do the two triangles,
        // as every mesh's triangles do.
        const std::uint16_t order[6] = {0, 1, 2, 0, 2, 3};
        for (std::uint16_t k : order) {
            mesh.indices.push_back(static_cast<std::uint16_t>(first + k));
        }
    }
}

Status CubeShape::BuildDisplayMesh(Mesh& mesh, BoundingBox& box) {
    if (UsesSurface()) {
        return Shape::BuildDisplayMesh(mesh, box);
    }
    BuildFlatCubeMesh(mesh);
    box = mesh.Box();
    return Status::Ok();
}

Status CubeShape::BuildRenderMesh(Mesh& mesh) {
    if (UsesSurface()) {
        return Shape::BuildRenderMesh(mesh);
    }
    BuildFlatCubeMesh(mesh);
    return Status::Ok();
}

NewPrimitive BuildSphere(const PrimitiveDefaults& defaults) {
    return {std::make_unique<SphereShape>(defaults.sphere_radius), {0.0, defaults.sphere_radius}};
}

NewPrimitive BuildTorus(const PrimitiveDefaults& defaults) {
    return {std::make_unique<TorusShape>(defaults.torus_outer_radius, defaults.torus_tube_radius),
            {-90.0, defaults.torus_tube_radius}};
}

NewPrimitive BuildCube(const PrimitiveDefaults&) {
    return {std::make_unique<CubeShape>(), {0.0, 1.0}, false};
}

NewPrimitive BuildCone(const PrimitiveDefaults&) {
    return {std::make_unique<ConeShape>(), {-90.0, 1.0}};
}

NewPrimitive BuildCylinder(const PrimitiveDefaults& defaults) {
    return {std::make_unique<CylinderShape>(defaults.cylinder_radius, defaults.cylinder_height),
            {-90.0, defaults.cylinder_height / 2.0}};
}

NewPrimitive BuildParaboloid(const PrimitiveDefaults&) {
    return {std::make_unique<ParaboloidShape>(), {-90.0, 1.0}};
}

NewPrimitive BuildHyperboloid(const PrimitiveDefaults&) {
    return {std::make_unique<HyperboloidShape>(), {90.0, 0.0}};
}

NewPrimitive BuildSuperquadric(const PrimitiveDefaults&) {
    return {std::make_unique<SuperquadricShape>(), {0.0, 0.0}};
}

std::unique_ptr<Shape> MakePrimitiveShape(ObjectType type, const PrimitiveDefaults& defaults) {
    const auto build = KindOf(type).build;
    return build ? build(defaults).shape : nullptr;
}

PrimitivePlacement PlacementOf(ObjectType type, const PrimitiveDefaults& defaults) {
    const auto build = KindOf(type).build;
    return build ? build(defaults).placement : PrimitivePlacement{};
}

}  // namespace kelto

// A node's geometry: a rational B-spline surface with the curves it was made from, turned into
// the node's display and render meshes. The eight primitive solids and the mesh shape.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bounds.h"
#include "geometry.h"
#include "mesh.h"
#include "nurbs_patch.h"
#include "object_type.h"
#include "status.h"
#include "surface_construction.h"

namespace kelto {

struct StoredShapeFields;

class Shape {
  public:
    static constexpr int kDefaultSteps = 18;

    Shape() = default;
    Shape(const Shape&) = default;
    Shape& operator=(const Shape&) = default;
    virtual ~Shape() = default;

    // Tessellates the surface into the display mesh and sets `box` to the mesh's box. Fails
    // silently (empty mesh, empty box) when the surface cannot be tessellated.
    virtual Status BuildDisplayMesh(Mesh& mesh, BoundingBox& box);
    // The same tessellation into the render mesh.
    virtual Status BuildRenderMesh(Mesh& mesh);
    // Whether the render mesh is the display mesh's tessellation again, so that a copy of the
    // display mesh makes it without tessellating twice.
    virtual bool RenderMeshIsDisplayMesh() const { return true; }
    // Whether the meshes' vertices lie on the surface at their (s, t) parameters, so that a
    // cut can put new vertices back on the exact surface.
    virtual bool MeshFollowsSurface() const { return true; }
    // Where the shape is anchored; only text has an anchor.
    virtual bool GetAnchor(Vec3& anchor) const {
        anchor = {};
        return false;
    }

    // Fields kept with the shape and stored in scene files. `surface` holds rows, columns,
    // orders, knots and control net.
    NurbsSurface surface;
    double tolerance = 0.5;
    std::int32_t steps = kDefaultSteps;
    // Non-zero: a cube draws its surface's tessellation rather than its flat faces.
    std::int32_t cube_surface_mesh = 0;
    std::vector<NurbsPatch> profiles;
    std::vector<NurbsPatch> paths;
    std::vector<Point4> second_net;
    // What the scene file keeps of the shape for itself alone (files/stored_fields.h).
    std::shared_ptr<const StoredShapeFields> stored_fields;

  protected:
    // Adopts a surface of revolution of `profile` through a full turn about the z axis.
    void RevolveProfile(NurbsPatch profile);
    // Adopts the product surface of a meridian and an equator.
    void BuildProduct(NurbsPatch meridian, NurbsPatch equator);
    bool TessellateInto(Mesh& mesh) const;
};

// Sizes the scene gives its new primitives.
struct PrimitiveDefaults {
    double sphere_radius = 1.0;
    double torus_outer_radius = 1.0;
    double torus_tube_radius = 0.3;
    double cylinder_radius = 1.0;
    double cylinder_height = 2.0;
    friend bool operator==(const PrimitiveDefaults&, const PrimitiveDefaults&) = default;
};

class SphereShape : public Shape {
  public:
    explicit SphereShape(double radius = 1.0);
};

class TorusShape : public Shape {
  public:
    TorusShape(double outer_radius = 1.0, double tube_radius = 0.3);
};

// The cube keeps its product surface but draws flat faces: corners at +-1 on every axis,
// one normal per face, texture corners 0 and 1, two triangles per face, unless
// cube_surface_mesh asks for the surface tessellation.
class CubeShape : public Shape {
  public:
    CubeShape();
    Status BuildDisplayMesh(Mesh& mesh, BoundingBox& box) override;
    Status BuildRenderMesh(Mesh& mesh) override;
    // The flat faces are not the surface's tessellation, unless the surface is used.
    bool MeshFollowsSurface() const override { return UsesSurface(); }

  private:
    bool UsesSurface() const { return cube_surface_mesh != 0; }
};

class ConeShape : public Shape {
  public:
    ConeShape();
};

class CylinderShape : public Shape {
  public:
    CylinderShape(double radius = 1.0, double height = 2.0);
};

class ParaboloidShape : public Shape {
  public:
    ParaboloidShape();
};

class HyperboloidShape : public Shape {
  public:
    HyperboloidShape();
};

class SuperquadricShape : public Shape {
  public:
    SuperquadricShape();
};

// A shape whose geometry is a triangle mesh rather than a surface; the base of the text shape.
class MeshShape : public Shape {
  public:
    bool MeshFollowsSurface() const override { return false; }
};

// The flat-faced cube mesh (24 vertices, 12 triangles).
void BuildFlatCubeMesh(Mesh& mesh);

// Node placement of a new primitive: its rotation (degrees about the x axis) and its lift along
// y so that it rests on y = 0.
struct PrimitivePlacement {
    double x_rotation_degrees = 0.0;
    double lift = 0.0;
};

// What a primitive's builder in the kinds table (object_type.h) makes.
struct NewPrimitive {
    std::unique_ptr<Shape> shape;
    PrimitivePlacement placement;
    bool smooth = true;  // shaded with the mesh's normals rather than flat
};

// Builds the shape of a new primitive node, exactly as the scene does; null for types that are
// not primitives.
std::unique_ptr<Shape> MakePrimitiveShape(ObjectType type, const PrimitiveDefaults& defaults = {});
PrimitivePlacement PlacementOf(ObjectType type, const PrimitiveDefaults& defaults = {});

}  // namespace kelto

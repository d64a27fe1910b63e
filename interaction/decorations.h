// The geometry of what a modelling view draws around the scene and picks against: the 32
// selection handles of a box, the rotation rings, and the light icons. Drawing and picking
// both take their numbers from here, so a handle is picked exactly where it is drawn.
#pragma once

#include <array>
#include <cstdint>

#include "model/bounds.h"
#include "model/geometry.h"
#include "model/light.h"
#include "model/scene_node.h"

namespace kelto {

// --- handles ---
// Handle code = corner * 4 + kind; kind 0 scales along x, 1 along y, 2 along z, 3 all three.
inline constexpr int kHandleCount = 32;
inline constexpr float kHandleHalfSize = 0.05f;  // half the edge of a handle cube
inline constexpr float kHandleOffset = 0.4f;     // from its corner to its centre
// Box outlines are drawn this much outside the box, so they do not fight with its faces.
inline constexpr float kOutlineGrowth = 0.004f;

// The corners of a box in handle order: 0 (M.x, M.y, M.z), 1 (M.x, m.y, M.z),
// 2 (m.x, m.y, M.z), 3 (m.x, M.y, M.z), 4 (m.x, m.y, m.z), 5 (M.x, m.y, m.z),
// 6 (M.x, M.y, m.z), 7 (m.x, M.y, m.z) with M the maximum and m the minimum.
std::array<Vec3f, 8> BoxCorners(const BoundingBox& box);
// The corner a scale by a handle at `corner` keeps in place.
int OppositeCorner(int corner);
// The axes a handle scales: kind 0 x (2), 1 y (4), 2 z (8), 3 all (14).
std::uint8_t HandleAxisMask(int handle_code);
// The centre of a handle cube, kHandleOffset outside its corner along its axis (or along all
// three for kind 3): + beside a maximum coordinate, - beside a minimum.
Vec3f HandleCentre(const BoundingBox& box, int handle_code);
BoundingBox HandleCube(const BoundingBox& box, int handle_code);
BoundingBox GrownBox(const BoundingBox& box, float amount);

// --- rotation rings ---
// Codes of the rings about x, y and z as the document keeps them.
inline constexpr int kRingCodeX = 32;
inline constexpr int kRingCodeY = 33;
inline constexpr int kRingCodeZ = 34;
inline constexpr int kRingStations = 144;  // every 2.5 degrees

// The band's half-width at a station: min(0.08, 0.0064 * d), d the distance in degrees to the
// nearest multiple of 90 (the band narrows to a point at 0, 90, 180 and 270 degrees).
double RingHalfWidth(int station);
// The unit ring about the z axis: for station i, point 2i is (cos t, sin t, +w) and point
// 2i + 1 is (cos t, sin t, -w). The band between stations i and i + 1 (the last one closing
// on station 0) is the quadrilateral of points 2i, 2i + 1, 2i + 3, 2i + 2.
const std::array<Vec3f, 2 * kRingStations>& UnitRing();
// A point of the unit ring turned to go round the axis of `ring_code` (32 x, 33 y, 34 z).
Vec3f RingPointAbout(int ring_code, const Vec3f& unit_point);
// Where a node's rings sit: scaled by its bounding-sphere radius, centred on its bounding
// sphere, turned with the node (its pending angles included) and placed at its position (its
// pending offset included), without the node's scale (the radius already has it). In the
// coordinates of the node's parent.
Matrix4 NodeRingFrame(const SceneNode& node);

// --- light icons ---
inline constexpr float kLightIconRadius = 0.25f;
inline constexpr int kIconSphereTriangles = 168;  // 7 bands of 180/7 degrees, 12 sectors

struct IconTriangle {
    std::array<Vec3f, 3> points;   // on the sphere of radius 0.25
    std::array<Vec3f, 3> normals;  // unit, outwards
};
// The icon sphere: two triangles per cell, wound counter-clockwise seen from outside.
const std::array<IconTriangle, kIconSphereTriangles>& IconSphere();
// The point light's star: one ray from the centre to a point of the icon sphere for each of
// its triangles.
const std::array<Vec3f, kIconSphereTriangles>& PointStarTips();
// The spot light's cone of lines: apex (0, 0, 0.25), then the eight corners of the base
// octagon of radius 0.25 at z = -0.25, one every 45 degrees starting on +x.
const std::array<Vec3f, 9>& SpotConePoints();

// The factor the sphere light's icon is drawn at: 4 * its size, times the pending scale while
// it is being scaled.
double SphereLightIconScale(const Light& light);
// The box around a light's icon in its own frame (centred on the light): the icon's reach.
BoundingBox LightIconBox(const Light& light);
// The light's frame: a translation to its position (its pending offset included while moving).
Matrix4 LightFrame(const Light& light);
// The same, turned with the light's rotation and pending angles (the spot icon, the rings).
Matrix4 LightOrientedFrame(const Light& light);
// The rings of a light: round its icon box, in its oriented frame.
Matrix4 LightRingFrame(const Light& light);

}  // namespace kelto

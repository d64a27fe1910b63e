// Writes the triangles Kelto traces for a scene file as a POV-Ray 3.7 scene (one mesh2 per
// object, with the same corners and corner normals, materials, lights and camera), so that
// the two tracers can be timed on the same work:
//   povray_scene SCENE.kel OUT.pov [WIDTH HEIGHT [AREA]]
//   povray +IOUT.pov +W640 +H480 -A +WT2 -D +FN +Oout.png   (its "Trace Time" line)
// A sphere light becomes an area light: a disc of the sphere's radius facing each point it
// lights ("circular orient"), AREA x AREA samples (4 unless given; 1 writes a point light)
// taken adaptively ("adaptive 1": the corners first, more only where they differ), as soft
// shadows in Kelto's Production are.
// POV-Ray's axes are left-handed: every z is negated, which mirrors nothing in the picture.
#include <cmath>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "document/document_core.h"
#include "model/child_list.h"
#include "raytracer/prepared_scene.h"

namespace kelto {
namespace {

std::string Vector(const Vec3f& v) {
    return "<" + std::to_string(v.x) + "," + std::to_string(v.y) + "," + std::to_string(-v.z) + ">";
}
std::string Vector(const Vec3& v) {
    return Vector(Vec3f{static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)});
}

// The scene's leaves in the order the preparation visits them.
void Leaves(const SceneNode& node, std::vector<const SceneNode*>& out) {
    for (const SceneNode* child : Children(node)) {
        if (child->IsContainer()) {
            Leaves(*child, out);
        } else {
            out.push_back(child);
        }
    }
}

void WriteMesh(std::ostream& out, const TracedMesh& mesh, const Material& m) {
    std::vector<RenderTriangle> triangles;
    for (std::size_t t = 0; t < mesh.Size(); ++t) {
        triangles.push_back(mesh.Triangle(t));
    }
    out << "mesh2 {\n  vertex_vectors { " << triangles.size() * 3;
    for (const RenderTriangle& t : triangles) {
        for (const Vec3f& c : t.corner) {
            out << ",\n    " << Vector(c);
        }
    }
    out << " }\n  normal_vectors { " << triangles.size() * 3;
    for (const RenderTriangle& t : triangles) {
        for (const Vec3f& n : t.normal) {
            out << ",\n    " << Vector(n);
        }
    }
    out << " }\n  face_indices { " << triangles.size();
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        out << ",\n    <" << 3 * i << "," << 3 * i + 1 << "," << 3 * i + 2 << ">";
    }
    const float b = m.brightness;
    out << " }\n  texture {\n    pigment { rgbf <" << m.colour.r * b << "," << m.colour.g * b << ","
        << m.colour.b * b << "," << m.transparency << "> }\n    finish { ambient "
        << m.ambient.r * m.ambient_strength << " emission " << m.glow.r * m.glow_strength
        << " diffuse 1 specular " << m.highlight.r * m.highlight_strength << " roughness "
        << 1.0 / std::max(1.0f, m.shininess * 128.0f) << " reflection " << m.reflective_strength
        << " }\n  }\n  interior { ior " << m.index_of_refraction << " }\n}\n";
}

int Run(int argc, char** argv) {
    if (argc != 3 && argc != 5 && argc != 6) {
        std::cerr << "usage: povray_scene SCENE.kel OUT.pov [WIDTH HEIGHT [AREA]]\n";
        return 2;
    }
    const int width = argc >= 5 ? std::stoi(argv[3]) : 640;
    const int height = argc >= 5 ? std::stoi(argv[4]) : 480;
    const int area = argc == 6 ? std::stoi(argv[5]) : 4;
    DocumentCore document;
    const Status opened = document.Open(argv[1]);
    if (!opened.ok()) {
        std::cerr << opened.text << '\n';
        return 1;
    }
    const Scene& scene = document.GetScene();
    Vec3 eye = scene.CurrentCamera().eye, target = scene.CurrentCamera().target;
    double lens = scene.CurrentCamera().focal_length;
    if (!document.Views().empty()) {
        eye = document.Views().front().eye;
        target = document.Views().front().target;
        lens = document.Views().front().lens > 0 ? document.Views().front().lens : 50;
    }
    const RenderCamera camera =
        MakeRenderCamera(eye, target, {0, 1, 0}, lens, width, height, RenderQuality::Draft);
    const PreparedScene prepared(scene, camera, 0, 0, 0, 0);

    std::ofstream out(argv[2]);
    const double half_width = 4.0 * camera.horizontal_ray_scale;  // at distance 1
    out << "// Written by povray_scene from " << argv[1] << "\n"
        << "global_settings { assumed_gamma 1 max_trace_level 9 adc_bailout 0.05 ambient_light "
        << "rgb <" << scene.ambient_light[0] << "," << scene.ambient_light[1] << ","
        << scene.ambient_light[2] << "> }\n"
        << "background { rgb 0 }\n"
        << "camera { perspective location " << Vector(eye) << " look_at " << Vector(target)
        << " right x*" << static_cast<double>(width) / height << " angle "
        << 2.0 * std::atan(std::fabs(half_width)) * 180.0 / 3.141592653589793 << " }\n";
    for (const Light& light : scene.Lights()) {
        if (!light.on) {
            continue;
        }
        const float k = light.intensity;
        out << "light_source { " << Vector(light.position) << " rgb <" << light.diffuse.r * k << ","
            << light.diffuse.g * k << "," << light.diffuse.b * k << ">";
        if (light.kind == LightKind::Spot) {
            const Vec3 axis{-light.rotation[8], -light.rotation[9], -light.rotation[10]};
            out << " spotlight point_at " << Vector(light.position + axis) << " radius "
                << light.spot_angle << " falloff " << light.spot_angle << " tightness "
                << light.spot_exponent;
        }
        if (light.kind == LightKind::Sphere && light.size > 0 && area > 1) {
            const double d = 2.0 * light.size;
            out << " area_light <" << d << ",0,0>, <0,0," << d << ">, " << area << ", " << area
                << " adaptive 1 circular orient";
        }
        if (!light.casts_shadows) {
            out << " shadowless";
        }
        out << " }\n";
    }
    std::vector<const SceneNode*> leaves;
    Leaves(scene.Root(), leaves);
    std::size_t leaf = 0, triangles = 0;
    for (const PreparedNode& node : prepared.Nodes()) {
        if (!node.leaf) {
            continue;
        }
        const SceneNode* source = leaves[leaf++];
        if (!node.mesh.Empty()) {
            WriteMesh(out, node.mesh, source->material);
            triangles += node.mesh.Size();
        }
    }
    std::cout << triangles << " triangles written to " << argv[2] << '\n';
    return out ? 0 : 1;
}

}  // namespace
}  // namespace kelto

int main(int argc, char** argv) {
    return kelto::Run(argc, argv);
}

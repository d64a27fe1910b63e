#include "obj_writer.h"

#include <fstream>

namespace kelto {

void WriteObj(const Mesh& mesh, std::ostream& out) {
    out << "# Kelto mesh: " << mesh.vertices.size() << " vertices, " << mesh.TriangleCount()
        << " triangles\n";
    for (const DisplayVertex& v : mesh.vertices) {
        out << "v " << v.x << ' ' << v.y << ' ' << v.z << '\n';
    }
    for (const DisplayVertex& v : mesh.vertices) {
        out << "vn " << v.nx << ' ' << v.ny << ' ' << v.nz << '\n';
    }
    for (const DisplayVertex& v : mesh.vertices) {
        out << "vt " << v.s << ' ' << v.t << '\n';
    }
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        out << 'f';
        for (const std::size_t k : {i, i + 2, i + 1}) {
            const unsigned n = mesh.indices[k] + 1u;
            out << ' ' << n << '/' << n << '/' << n;
        }
        out << '\n';
    }
}

bool WriteObjFile(const Mesh& mesh, const std::string& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    WriteObj(mesh, file);
    file.flush();
    return static_cast<bool>(file);
}

}  // namespace kelto

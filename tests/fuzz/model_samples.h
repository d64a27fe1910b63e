// Small model files in each format the import reads, made here so that their counts, materials
// and tree are known: the import tests read them, the fuzz target starts from them.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kelto::model_samples {

using Bytes = std::vector<std::uint8_t>;
using Triangle = std::array<float, 9>;  // three corners x, y, z

inline Bytes FromText(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A quad and a triangle in two objects: 3 triangles.
inline Bytes Obj() {
    return FromText(
        "o Quad\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n"
        "o Tri\nv 5 0 0\nv 6 0 0\nv 5 1 0\nf 5 6 7\n");
}

// What an OBJ may hold beyond that, 7 triangles: texture coordinates and normals, negative
// indices, objects and groups, materials changing within an object, an L-shaped (concave)
// hexagon, a line continued with a backslash, CRLF endings, comments and lines of other kinds.
inline Bytes ObjFeatures() {
    return FromText(
        "# made by hand\r\nmtllib parts.mtl\r\n"
        "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\nv 1 2 0 0.5 0.5 0.5\nv 0 2 0 1\n"
        "vt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\n"
        "o Ell\nusemtl Red\nf 3 4 5 6 1 2\n"
        "usemtl Blue\ns 1\nf -6/1/1 -5/2/1 \\\n -4/3/1\nl 1 2\n"
        "g Left Right\nusemtl Red\nf 1//1 2//1 3//1\n"
        "o Tip\nv 0 0 1\nf 1/1 2/2 -1/3 # one more\n");
}

// An OBJ, a NUL byte, then the material library it names (the fuzz target writes them as two
// files when the selector byte is 5): the library's every statement and a picture's options.
inline Bytes ObjWithLibrary() {
    Bytes bytes = FromText("mtllib fuzz.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Red\nf 1 2 3\n");
    bytes.push_back(0);
    const Bytes library = FromText(
        "newmtl Red\nKa 0.1 0.1 0.1\nKd 1 0 0\nKs 0.5 0.5 0.5\nKe 0 0 0\nNs 64\nd 0.5\nTr 0.5\n"
        "Ni 1.5\nPr 0.2\nPm 0.1\nmap_Kd -s 1 1 1 -clamp on red.png\nnewmtl Blue\nKd 0 0 1\n");
    bytes.insert(bytes.end(), library.begin(), library.end());
    return bytes;
}

// Two facets.
inline Bytes AsciiStl() {
    return FromText(
        "solid pair\n"
        "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
        "endfacet\n"
        "facet normal 0 0 1\nouter loop\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nendloop\n"
        "endfacet\nendsolid pair\n");
}

inline Bytes BinaryStl(const std::vector<Triangle>& triangles) {
    Bytes bytes(84, 0);
    const auto count = static_cast<std::uint32_t>(triangles.size());
    std::memcpy(bytes.data() + 80, &count, 4);
    for (const Triangle& t : triangles) {
        const float normal[3] = {0, 0, 1};
        const auto* n = reinterpret_cast<const std::uint8_t*>(normal);
        const auto* p = reinterpret_cast<const std::uint8_t*>(t.data());
        bytes.insert(bytes.end(), n, n + 12);
        bytes.insert(bytes.end(), p, p + 36);
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

inline Bytes BinaryStl() {
    return BinaryStl({Triangle{0, 0, 0, 1, 0, 0, 0, 1, 0}, Triangle{1, 0, 0, 1, 1, 0, 0, 1, 0},
                      Triangle{0, 0, 1, 1, 0, 1, 0, 1, 1}});
}

// A quad and a triangle over four points: 3 triangles.
inline Bytes Ply() {
    return FromText(
        "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
        "property float z\nelement face 2\nproperty list uchar int vertex_indices\nend_header\n"
        "0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n3 0 2 3\n");
}

// The buffer of the glTF samples: a triangle's three points, then its three 16-bit indices.
inline Bytes GltfBuffer() {
    const float points[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::uint16_t indices[4] = {0, 1, 2, 0};
    Bytes bytes(44);
    std::memcpy(bytes.data(), points, 36);
    std::memcpy(bytes.data() + 36, indices, 8);
    return bytes;
}

inline std::string Base64(const Bytes& bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t n = (std::uint32_t{bytes[i]} << 16) |
                                (i + 1 < bytes.size() ? std::uint32_t{bytes[i + 1]} << 8 : 0) |
                                (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
    }
    return out;
}

// A node "Body" at (2, 0, 0) holding the triangle twice ("Left" raised by 1, "Right" scaled
// by 2), a camera 10 in front of it and a spot light 5 above it; the material is red.
// `buffer` is the buffer's entry: its uri, or none in a GLB.
inline std::string GltfJson(const std::string& buffer) {
    return R"({"asset":{"version":"2.0"},"extensionsUsed":["KHR_lights_punctual"],)"
           R"("extensions":{"KHR_lights_punctual":{"lights":[{"type":"spot","color":[1,0.5,0.5],)"
           R"("spot":{"outerConeAngle":0.5}}]}},"scene":0,"scenes":[{"nodes":[0]}],)"
           R"("nodes":[{"name":"Body","translation":[2,0,0],"children":[1,2,3,4]},)"
           R"({"name":"Left","mesh":0,"translation":[0,1,0]},)"
           R"({"name":"Right","mesh":0,"scale":[2,2,2]},)"
           R"({"name":"Eye","camera":0,"translation":[0,0,10]},)"
           R"({"name":"Lamp","translation":[0,5,0],)"
           R"("extensions":{"KHR_lights_punctual":{"light":0}}}],)"
           R"("cameras":[{"type":"perspective","perspective":{"yfov":0.6,"aspectRatio":1.5,)"
           R"("znear":0.1}}],)"
           R"("meshes":[{"name":"Tri","primitives":[{"attributes":{"POSITION":0},"indices":1,)"
           R"("material":0}]}],)"
           R"("materials":[{"name":"Red","pbrMetallicRoughness":{"baseColorFactor":[1,0,0,1],)"
           R"("metallicFactor":0.25,"roughnessFactor":0.5}}],)"
           R"("buffers":[)" +
           buffer +
           R"(],"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},)"
           R"({"buffer":0,"byteOffset":36,"byteLength":6}],)"
           R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",)"
           R"("min":[0,0,0],"max":[1,1,0]},)"
           R"({"bufferView":1,"componentType":5123,"count":3,"type":"SCALAR"}]})";
}

inline std::string GltfBufferEntry(const std::string& uri) {
    return R"({"byteLength":44,"uri":")" + uri + R"("})";
}

inline Bytes Gltf() {
    return FromText(
        GltfJson(GltfBufferEntry("data:application/octet-stream;base64," + Base64(GltfBuffer()))));
}

inline Bytes Glb() {
    std::string json = GltfJson(R"({"byteLength":44})");
    json.resize((json.size() + 3) / 4 * 4, ' ');
    const Bytes bin = GltfBuffer();
    Bytes bytes;
    const auto put = [&bytes](std::uint32_t value) {
        for (int k = 0; k < 4; ++k) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
        }
    };
    put(0x46546C67);  // "glTF"
    put(2);
    put(static_cast<std::uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
    put(static_cast<std::uint32_t>(json.size()));
    put(0x4E4F534A);  // "JSON"
    bytes.insert(bytes.end(), json.begin(), json.end());
    put(static_cast<std::uint32_t>(bin.size()));
    put(0x004E4942);  // "BIN"
    bytes.insert(bytes.end(), bin.begin(), bin.end());
    return bytes;
}

}  // namespace kelto::model_samples

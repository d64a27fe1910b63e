#include "three_ds_reader.h"

#include <bit>
#include <cctype>
#include <cstring>

namespace kelto {
namespace {

enum ChunkId : std::uint16_t {
    kMain = 0x4D4D,
    kVersion = 0x0002,
    kEditor = 0x3D3D,
    kMeshVersion = 0x3D3E,
    kMasterScale = 0x0100,
    kMaterial = 0xAFFF,
    kMaterialName = 0xA000,
    kAmbient = 0xA010,
    kDiffuse = 0xA020,
    kSpecular = 0xA030,
    kShininess = 0xA040,
    kTransparency = 0xA050,
    kColourFloat = 0x0010,
    kColourBytes = 0x0011,
    kPercentInt = 0x0030,
    kPercentFloat = 0x0031,
    kNamedObject = 0x4000,
    kTriangleMesh = 0x4100,
    kVertices = 0x4110,
    kFaces = 0x4120,
    kMaterialGroup = 0x4130,
    kSmoothing = 0x4150,
    kLocalAxes = 0x4160,
};

// Thrown inside the reader to end it with one message; caught at its entry.
struct Fault {
    int number;  // 0: end without a message
};

class Reader {
  public:
    Reader(std::span<const std::uint8_t> bytes, Importer& importer)
        : bytes_(bytes), importer_(importer) {}

    void ReadFile() {
        std::uint16_t id = 0;
        std::uint32_t length = 0;
        if (!U16(id))
            throw Fault{kMsg3dsIdentifier};
        if (id != kMain)
            throw Fault{kMsg3dsNotA3ds};
        if (!U32(length))
            throw Fault{kMsg3dsIdentifier};
        if (length != bytes_.size())
            throw Fault{kMsg3dsCorrupt};
        for (;;) {
            std::uint16_t sub = 0;
            if (!U16(sub))
                return;  // the end of the file ends the import
            std::uint32_t sub_length = 0;
            if (!U32(sub_length) || sub_length < 6)
                throw Fault{kMsg3dsChunkLength};
            const std::size_t end = ChunkEnd(sub_length, bytes_.size());
            if (sub == kVersion) {
                std::uint32_t version = 0;
                if (!U32(version))
                    throw Fault{kMsg3dsCorrupt};
                if (version < 3) {
                    version_ = version;
                    throw Fault{kMsg3dsVersion};
                }
            } else if (sub == kEditor) {
                ReadEditor(end);
            }
            position_ = end;
        }
    }

    std::uint32_t version_ = 0;

  private:
    // Where a chunk that starts 6 bytes back ends; past its parent's end it is corrupt.
    std::size_t ChunkEnd(std::uint32_t length, std::size_t parent_end) const {
        const std::size_t start = position_ - 6;
        if (length < 6 || length > parent_end - start)
            throw Fault{kMsg3dsDatablock};
        return start + length;
    }

    bool Bytes(void* out, std::size_t n, std::size_t limit) {
        if (n > limit - std::min(position_, limit))
            return false;
        std::memcpy(out, bytes_.data() + position_, n);
        position_ += n;
        return true;
    }
    bool U16(std::uint16_t& v, std::size_t limit = SIZE_MAX) {
        std::uint8_t b[2];
        if (!Bytes(b, 2, std::min(limit, bytes_.size())))
            return false;
        v = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool U32(std::uint32_t& v, std::size_t limit = SIZE_MAX) {
        std::uint8_t b[4];
        if (!Bytes(b, 4, std::min(limit, bytes_.size())))
            return false;
        v = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
            (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        return true;
    }
    bool F32(float& v, std::size_t limit) {
        std::uint32_t bits = 0;
        if (!U32(bits, limit))
            return false;
        v = std::bit_cast<float>(bits);
        return true;
    }
    // Reads a sub-chunk header inside a parent ending at `parent_end`; returns its end.
    std::size_t SubHeader(std::uint16_t& id, std::uint32_t& length, std::size_t parent_end,
                          int short_id_message) {
        if (!U16(id, parent_end))
            throw Fault{short_id_message};
        if (!U32(length, parent_end))
            throw Fault{kMsg3dsChunkLength};
        return ChunkEnd(length, parent_end);
    }

    // The common loop: sub-chunks until the parent's bytes are used up exactly.
    template <typename Handler>
    void SubChunks(std::size_t end, int short_id_message, Handler handle) {
        while (position_ < end) {
            std::uint16_t id = 0;
            std::uint32_t length = 0;
            const std::size_t sub_end = SubHeader(id, length, end, short_id_message);
            handle(id, length, sub_end);
            position_ = sub_end;
        }
    }

    void ReadEditor(std::size_t end) {
        SubChunks(end, kMsg3dsCorrupt,
                  [&](std::uint16_t id, std::uint32_t length, std::size_t sub_end) {
                      if (id == kMeshVersion || id == kMasterScale) {
                          float value = 0.0f;
                          if (length != 10 || !F32(value, sub_end))
                              throw Fault{kMsg3dsDatablock};
                          if (id == kMasterScale)
                              importer_.master_scale = value;
                      } else if (id == kMaterial) {
                          ReadMaterial(sub_end);
                      } else if (id == kNamedObject) {
                          ReadNamedObject(sub_end);
                      }
                  });
    }

    void ReadMaterial(std::size_t end) {
        auto material = std::make_unique<ImportedMaterial>();
        SubChunks(end, kMsg3dsCorrupt,
                  [&](std::uint16_t id, std::uint32_t length, std::size_t sub_end) {
                      switch (id) {
                          case kMaterialName: {
                              if (length > 200)
                                  throw Fault{kMsg3dsDatablock};
                              std::string name(length - 6, '\0');
                              if (!Bytes(name.data(), name.size(), sub_end))
                                  throw Fault{kMsg3dsDatablock};
                              material->name = CleanUpName(name);
                              break;
                          }
                          case kAmbient:
                              material->ambient = ReadColour(sub_end);
                              break;
                          case kDiffuse:
                              material->diffuse = ReadColour(sub_end);
                              break;
                          case kSpecular:
                              material->specular = ReadColour(sub_end);
                              break;
                          case kShininess:
                              material->shininess = ReadPercentage(sub_end);
                              break;
                          case kTransparency:
                              material->transparency = ReadPercentage(sub_end);
                              break;
                          default:
                              break;
                      }
                  });
        const std::string name = material->name;
        if (!importer_.materials.contains(name)) {
            importer_.material_order.push_back(material.get());
            importer_.materials.emplace(name, std::move(material));
        }
    }

    ColourRgb ReadColour(std::size_t end) {
        ColourRgb colour;
        SubChunks(
            end, kMsg3dsDatablock,
            [&](std::uint16_t id, std::uint32_t length, std::size_t sub_end) {
                if (id == kColourFloat) {
                    if (length != 18 || !F32(colour.r, sub_end) || !F32(colour.g, sub_end) ||
                        !F32(colour.b, sub_end)) {
                        throw Fault{kMsg3dsDatablock};
                    }
                } else if (id == kColourBytes) {
                    if (length < 9 || length - 9 >= 80)
                        throw Fault{kMsg3dsDatablock};
                    position_ += length - 9;
                    std::uint8_t rgb[3];
                    if (!Bytes(rgb, 3, sub_end))
                        throw Fault{kMsg3dsDatablock};
                    colour = {rgb[0] * 0.003921569f, rgb[1] * 0.003921569f, rgb[2] * 0.003921569f};
                } else if (id == 0) {
                    throw Fault{kMsg3dsDatablock};
                }
            });
        return colour;
    }

    float ReadPercentage(std::size_t end) {
        std::uint16_t id = 0;
        std::uint32_t length = 0;
        const std::size_t sub_end = SubHeader(id, length, end, kMsg3dsDatablock);
        float value = 0.0f;
        if (id == kPercentInt) {
            std::uint16_t percent = 0;
            if (length != 8 || !U16(percent, sub_end))
                throw Fault{kMsg3dsDatablock};
            value = percent * 0.01f;
        } else if (id == kPercentFloat) {
            if (length != 8 || !F32(value, sub_end))
                throw Fault{kMsg3dsDatablock};
        } else {
            throw Fault{kMsg3dsDatablock};
        }
        position_ = sub_end;
        return value;
    }

    void ReadNamedObject(std::size_t end) {
        const std::size_t noted = position_;
        const std::size_t available = std::min<std::size_t>(85, end - position_);
        if (available == 0)
            throw Fault{0};
        std::size_t length = 0;
        while (length < available && length < 80 && bytes_[noted + length] != 0)
            ++length;
        const std::string raw(reinterpret_cast<const char*>(bytes_.data() + noted), length);
        position_ = noted + length + 1;
        if (position_ > end)
            throw Fault{kMsg3dsDatablock};
        const std::string name = CleanUpName(raw);
        SubChunks(end, kMsg3dsCorrupt, [&](std::uint16_t id, std::uint32_t, std::size_t sub_end) {
            if (id == kTriangleMesh)
                ReadMesh(name, sub_end);
        });
    }

    void ReadMesh(const std::string& name, std::size_t end) {
        auto mesh = std::make_unique<ImportedMesh>();
        mesh->name = name;
        SubChunks(end, kMsg3dsCorrupt, [&](std::uint16_t id, std::uint32_t, std::size_t sub_end) {
            switch (id) {
                case kVertices: {
                    std::uint16_t count = 0;
                    if (!U16(count, sub_end) || std::size_t{count} * 12 > sub_end - position_) {
                        throw Fault{kMsg3dsDatablock};
                    }
                    mesh->vertices.resize(count);
                    for (Vec3f& v : mesh->vertices) {
                        F32(v.x, sub_end);
                        F32(v.y, sub_end);
                        F32(v.z, sub_end);
                    }
                    break;
                }
                case kFaces:
                    ReadFaces(*mesh, sub_end);
                    break;
                case kMaterialGroup:
                    ReadMaterialGroup(*mesh, sub_end);
                    break;
                case kLocalAxes: {
                    for (int row = 0; row < 4; ++row) {
                        for (int col = 0; col < 3; ++col) {
                            float f = 0.0f;
                            if (!F32(f, sub_end))
                                throw Fault{kMsg3dsDatablock};
                            mesh->local[4 * row + col] = f;
                        }
                    }
                    break;
                }
                default:
                    break;
            }
        });
        // Every face must name vertices the mesh has before anything uses it.
        for (const ImportedFace& f : mesh->faces) {
            const std::size_t n = mesh->vertices.size();
            if (f.a >= n || f.b >= n || f.c >= n)
                throw Fault{kMsg3dsDatablock};
        }
        if (!importer_.meshes.contains(name)) {
            importer_.mesh_order.push_back(mesh.get());
            importer_.meshes.emplace(name, std::move(mesh));
        }
    }

    void ReadFaces(ImportedMesh& mesh, std::size_t end) {
        std::uint16_t count = 0;
        if (!U16(count, end) || std::size_t{count} * 8 > end - position_)
            throw Fault{kMsg3dsDatablock};
        mesh.faces.resize(count);
        for (ImportedFace& f : mesh.faces) {
            U16(f.a, end);
            U16(f.b, end);
            U16(f.c, end);
            U16(f.flags, end);
        }
        while (position_ < end) {
            std::uint16_t id = 0;
            std::uint32_t length = 0;
            if (!U16(id, end) || !U32(length, end))
                throw Fault{kMsg3dsDatablock};
            const std::size_t sub_end = ChunkEnd(length, end);
            if (id == kMaterialGroup) {
                ReadMaterialGroup(mesh, sub_end);
            } else if (id == kSmoothing) {
                mesh.smoothing = 1;
            }
            position_ = sub_end;
        }
        if (position_ != end)
            throw Fault{kMsg3dsDatablock};
    }

    void ReadMaterialGroup(ImportedMesh& mesh, std::size_t end) {
        std::string raw;
        for (;;) {
            std::uint8_t c = 0;
            if (!Bytes(&c, 1, end) || raw.size() > kMaxMaterialGroupName)
                throw Fault{kMsg3dsDatablock};
            if (c == 0)
                break;
            raw.push_back(static_cast<char>(c));
        }
        const auto found = importer_.materials.find(CleanUpName(raw));
        const ImportedMaterial* material =
            found == importer_.materials.end() ? nullptr : found->second.get();
        std::uint16_t count = 0;
        if (!U16(count, end) || std::size_t{count} * 2 > end - position_)
            throw Fault{kMsg3dsDatablock};
        for (std::uint16_t i = 0; i < count; ++i) {
            std::uint16_t face = 0;
            U16(face, end);
            if (face < mesh.faces.size())
                mesh.faces[face].material = material;
        }
    }

    std::span<const std::uint8_t> bytes_;
    Importer& importer_;
    std::size_t position_ = 0;
};

}  // namespace

std::string CleanUpName(std::string_view name) {
    std::string clean;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 128 && std::isalnum(u)) {
            clean.push_back(c);
        } else if (c == ' ') {
            clean.push_back('_');
        }
    }
    return clean;
}

Status Read3ds(std::span<const std::uint8_t> bytes, const std::string& file_name,
               Importer& importer) {
    Reader reader(bytes, importer);
    try {
        reader.ReadFile();
    } catch (const Fault& fault) {
        if (fault.number == 0) {
            return Status::Message(kMsg3dsCorrupt, {file_name});
        }
        if (fault.number == kMsg3dsVersion) {
            return Status::Message(
                fault.number,
                FormatMessage(fault.number, static_cast<int>(reader.version_), file_name));
        }
        return Status::Message(fault.number, FormatMessage(fault.number, file_name));
    }
    return Status::Ok();
}

}  // namespace kelto

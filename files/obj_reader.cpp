#include "obj_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "image_import.h"
#include "model/message_table.h"
#include "model_building.h"

namespace kelto {
namespace {

namespace fs = std::filesystem;

// Read from the file at a time; no line (with its continuations) may be longer.
constexpr std::size_t kBlockBytes = 1 << 20;
constexpr std::size_t kMaxLineBytes = 1 << 20;
// Points, texture coordinates and normals, each: as many as the largest file's corners.
constexpr std::size_t kMaxPoints = 3 * kMaxImportTriangles;
// Concave polygons up to this many corners are cut by ear clipping, within a budget of corner
// tests for the whole file (a file of many large concave faces falls back to fans).
constexpr std::size_t kMaxEarCorners = 256;
constexpr std::size_t kEarTestBudget = 100'000'000;
constexpr std::uint32_t kNone = ~std::uint32_t{0};
// Set in a corner's normal index when the normal is one its smoothing group gave it.
constexpr std::uint32_t kSmoothNormal = 0x8000'0000u;
static_assert(3 * kMaxImportTriangles < kSmoothNormal, "a smoothed normal for every corner");
constexpr std::size_t kNoMaterial = ~std::size_t{0};
// The name the library gives faces before any object or group, and its first material.
constexpr const char* kDefaultObject = "defaultobject";
constexpr const char* kDefaultMaterial = "DefaultMaterial";

Status ReadFailed(const std::string& file_name, const std::string& why) {
    return Status::Message(kMsgModelReadFailed, {file_name, why});
}
Status TooLarge(const std::string& file_name, const std::string& why) {
    return Status::Message(kMsgModelTooLarge, {file_name, why});
}

// A file the model names (with either kind of slash) in the model's folder; none when the name
// leads outside it.
std::optional<fs::path> FileBeside(const fs::path& folder, std::string_view name) {
    std::string relative(name);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    fs::path path = folder / relative;
    if (!InsideFolder(folder, path.string())) {
        return std::nullopt;
    }
    return path;
}

// --- lines ---

// The logical lines of a file: carriage returns dropped, a line ending in a backslash joined
// with the next.
class LineReader {
  public:
    using Fill = std::function<std::size_t(char* into, std::size_t most)>;
    enum class Got { Line, End, TooLong };

    // `size`: how many bytes the source holds (the buffer need not be larger), when known.
    LineReader(Fill fill, std::uint64_t size)
        : fill_(std::move(fill)),
          buffer_(static_cast<std::size_t>(
              std::min<std::uint64_t>(kBlockBytes + kMaxLineBytes, size + 1))) {}

    // `line` stays valid until the next call.
    Got Next(std::string_view& line) {
        std::string_view physical;
        Got got = NextPhysical(physical);
        if (got != Got::Line || !physical.ends_with('\\')) {
            line = physical;
            return got;
        }
        joined_.assign(physical.substr(0, physical.size() - 1));
        for (;;) {
            got = NextPhysical(physical);
            if (got == Got::TooLong) {
                return got;
            }
            if (got == Got::End) {
                break;
            }
            if (joined_.size() + physical.size() > kMaxLineBytes) {
                return Got::TooLong;
            }
            const bool more = physical.ends_with('\\');
            joined_.append(physical.substr(0, physical.size() - (more ? 1 : 0)));
            if (!more) {
                break;
            }
        }
        line = joined_;
        return Got::Line;
    }

  private:
    Got NextPhysical(std::string_view& line) {
        for (;;) {
            const char* start = buffer_.data() + begin_;
            const auto* newline = static_cast<const char*>(
                std::memchr(start + searched_, '\n', end_ - begin_ - searched_));
            if (newline != nullptr || (ended_ && begin_ < end_)) {
                const std::size_t length =
                    newline != nullptr ? static_cast<std::size_t>(newline - start) : end_ - begin_;
                std::string_view text(start, length);
                if (text.ends_with('\r')) {
                    text.remove_suffix(1);
                }
                if (text.size() > kMaxLineBytes) {
                    return Got::TooLong;
                }
                line = text;
                begin_ += length + (newline != nullptr ? 1 : 0);
                searched_ = 0;
                return Got::Line;
            }
            if (ended_) {
                return Got::End;
            }
            // What is left may still be a whole line with its carriage return.
            const std::size_t tail = end_ - begin_;
            if (tail > kMaxLineBytes + 1) {
                return Got::TooLong;
            }
            if (begin_ != 0) {
                std::memmove(buffer_.data(), start, tail);
            }
            begin_ = 0;
            end_ = tail;
            searched_ = tail;
            if (end_ == buffer_.size()) {
                // The source holds more than it said it would (a file still growing): room for
                // the longest line and its line end.
                buffer_.resize(std::min(std::max<std::size_t>(2 * buffer_.size(), 4096),
                                        kBlockBytes + kMaxLineBytes + 2));
            }
            const std::size_t got = fill_(buffer_.data() + end_, buffer_.size() - end_);
            ended_ = got == 0;
            end_ += got;
        }
    }

    Fill fill_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0, end_ = 0;
    std::size_t searched_ = 0;  // bytes after `begin_` known to hold no line end
    bool ended_ = false;
    std::string joined_;
};

LineReader::Fill FillFrom(std::ifstream& in) {
    return [&in](char* into, std::size_t most) {
        in.read(into, static_cast<std::streamsize>(most));
        return static_cast<std::size_t>(in.gcount());
    };
}

// Bytes in memory are handed over a few at a time, so that reading them (as the tests and the
// fuzzers do) crosses block boundaries inside lines as a large file does.
LineReader::Fill FillFrom(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kPieceBytes = 256;
    return [bytes, at = std::size_t{0}](char* into, std::size_t most) mutable {
        const std::size_t count = std::min({most, kPieceBytes, bytes.size() - at});
        std::memcpy(into, bytes.data() + at, count);
        at += count;
        return count;
    };
}

// The lines of an opened file; its size, when known, bounds the buffer.
LineReader LinesOf(std::ifstream& in, const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return LineReader(FillFrom(in), error ? kBlockBytes + kMaxLineBytes : size);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The words of a line, one at a time.
class Words {
  public:
    explicit Words(std::string_view text) : rest_(text) {}
    bool Next(std::string_view& word) {
        rest_ = Trimmed(rest_);
        if (rest_.empty()) {
            return false;
        }
        std::size_t end = 0;
        while (end < rest_.size() && !IsSpace(rest_[end])) {
            ++end;
        }
        word = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return true;
    }
    std::string_view Rest() const { return Trimmed(rest_); }

  private:
    std::string_view rest_;
};

// A number as the file writes it; not a number: NaN. Beyond a float's range: infinite (or 0).
float NumberOf(std::string_view word) {
    if (word.starts_with('+')) {
        word.remove_prefix(1);
    }
    float value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Beyond a float: as a double, infinite past the largest float, else the nearest float
        // (0 for what is too small). Beyond a double too: the exponent's sign tells which.
        double wide = 0;
        const auto wide_read = std::from_chars(word.data(), word.data() + word.size(), wide);
        if (wide_read.ec == std::errc()) {
            if (std::abs(wide) > std::numeric_limits<float>::max()) {
                return wide < 0 ? -INFINITY : INFINITY;
            }
            return static_cast<float>(wide);
        }
        const std::size_t e = word.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < word.size() && word[e + 1] == '-';
        const float size = tiny ? 0.0f : INFINITY;
        return word.starts_with('-') ? -size : size;
    }
    return error == std::errc() ? value : NAN;
}

// Up to `count` numbers from the words (a word starting with '#' ends them); missing ones are
// 0. Returns how many there were.
std::size_t NumbersOf(Words& words, float* values, std::size_t count) {
    std::size_t found = 0;
    std::string_view word;
    while (found < count && words.Next(word) && !word.starts_with('#')) {
        values[found++] = NumberOf(word);
    }
    std::fill(values + found, values + count, 0.0f);
    return found;
}

// --- materials ---

// A material as the file defines it, with the library's defaults for what it leaves out.
struct ObjMaterial {
    std::string name;
    FileMaterial values = [] {
        FileMaterial m;
        m.diffuse = FileMaterial::Rgb{0.6f, 0.6f, 0.6f};
        m.specular = m.ambient = m.emissive = FileMaterial::Rgb{0, 0, 0};
        m.exponent = 0.0f;
        m.opacity = 1.0f;
        m.index_of_refraction = 1.0f;
        return m;
    }();
    std::string picture;  // map_Kd, as the file names it
};

// A picture's options before its name: how many values each takes at most (numbers, or one
// word for the last two).
std::size_t OptionValues(std::string_view option) {
    static const std::map<std::string_view, std::size_t> kOptions = {
        {"-blendu", 1}, {"-blendv", 1},  {"-boost", 1},  {"-mm", 2},    {"-o", 3},
        {"-s", 3},      {"-t", 3},       {"-texres", 1}, {"-clamp", 1}, {"-bm", 1},
        {"-cc", 1},     {"-imfchan", 1}, {"-type", 1}};
    const auto found = kOptions.find(option);
    return found == kOptions.end() ? 0 : found->second;
}

std::string PictureName(std::string_view text) {
    Words words(text);
    for (;;) {
        Words before = words;
        std::string_view word;
        if (!words.Next(word) || !word.starts_with('-') || OptionValues(word) == 0) {
            return std::string(before.Rest());
        }
        const bool word_value = word == "-imfchan" || word == "-type";
        for (std::size_t v = OptionValues(word); v > 0; --v) {
            Words value = words;
            std::string_view next;
            if (!value.Next(next) ||
                (!word_value && std::isnan(NumberOf(next)) && next != "on" && next != "off")) {
                break;
            }
            words = value;
        }
    }
}

// --- faces, objects and meshes ---

struct Corner {
    std::uint32_t v = 0, vt = kNone, vn = kNone;
};

// The faces of one material within an object, over vertices welded by their corner triple.
struct ObjMesh {
    std::string name;
    std::size_t material = kNoMaterial;
    std::size_t faces = 0;
    std::vector<Corner> vertices;
    std::vector<std::uint32_t> slots;  // 1 + the vertex, by the triple's hash; 0: empty
    std::vector<Triangle> triangles;

    unsigned Weld(const Corner& c) {
        if (2 * (vertices.size() + 1) > slots.size()) {
            Grow();
        }
        std::size_t slot = Hash(c) & (slots.size() - 1);
        while (slots[slot] != 0) {
            const Corner& held = vertices[slots[slot] - 1];
            if (held.v == c.v && held.vt == c.vt && held.vn == c.vn) {
                return slots[slot] - 1;
            }
            slot = (slot + 1) & (slots.size() - 1);
        }
        vertices.push_back(c);
        slots[slot] = static_cast<std::uint32_t>(vertices.size());
        return static_cast<unsigned>(vertices.size() - 1);
    }

  private:
    static std::size_t Hash(const Corner& c) {
        const std::uint64_t h = (c.v * 0x9E3779B97F4A7C15ull) ^ (c.vt * 0xC2B2AE3D27D4EB4Full) ^
                                (c.vn * 0x165667B19E3779F9ull);
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
    void Grow() {
        slots.assign(std::max<std::size_t>(16, 2 * slots.size()), 0);
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            std::size_t slot = Hash(vertices[i]) & (slots.size() - 1);
            while (slots[slot] != 0) {
                slot = (slot + 1) & (slots.size() - 1);
            }
            slots[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }
};

struct ObjObject {
    std::string name;
    std::vector<std::size_t> meshes;
};

// The file's points, texture coordinates and normals, each kept once, and the normals its
// smoothing groups give (kept apart: the file's negative indices count only its own).
struct Points {
    std::vector<float> positions;  // x, y, z
    std::vector<float> uvs;        // u, v
    std::vector<float> normals;    // x, y, z
    std::vector<float> smoothed;   // x, y, z: sums of the faces' normals, by their areas

    // The normal a corner names: none when the file does not have it.
    const float* Normal(std::uint32_t vn) const {
        if (vn == kNone) {
            return nullptr;
        }
        const bool smooth = (vn & kSmoothNormal) != 0;
        const std::vector<float>& list = smooth ? smoothed : normals;
        const std::size_t at = 3 * std::size_t{smooth ? vn & ~kSmoothNormal : vn};
        return at < list.size() ? list.data() + at : nullptr;
    }
};

// A mesh of the file as the cutting reads it: its welded vertices looked up in the points.
class ObjVertices : public MeshVertexSource {
  public:
    ObjVertices(const ObjMesh& mesh, const Points& points) : mesh_(mesh), points_(points) {
        for (const Corner& c : mesh.vertices) {
            normals_ = normals_ || HasNormal(c);
            uvs_ = uvs_ || HasUv(c);
        }
    }
    std::size_t VertexCount() const override { return mesh_.vertices.size(); }
    bool HasNormals() const override { return normals_; }
    bool HasUv() const override { return uvs_; }
    SourceVertex Vertex(unsigned index) const override {
        const Corner& c = mesh_.vertices[index];
        SourceVertex v;
        std::copy_n(points_.positions.begin() + 3 * std::size_t{c.v}, 3, v.position.begin());
        if (const float* normal = points_.Normal(c.vn)) {
            std::copy_n(normal, 3, v.normal.begin());
            if ((c.vn & kSmoothNormal) != 0) {
                // A sum of areas: made unit length here, where its square cannot overflow.
                const double length =
                    std::hypot(double{normal[0]}, double{normal[1]}, double{normal[2]});
                if (length > 0 && std::isfinite(length)) {
                    for (std::size_t k = 0; k < 3; ++k) {
                        v.normal[k] = static_cast<float>(normal[k] / length);
                    }
                }
            }
        }
        if (HasUv(c)) {
            std::copy_n(points_.uvs.begin() + 2 * std::size_t{c.vt}, 2, v.uv.begin());
        }
        return v;
    }

  private:
    // Texture coordinates and normals the file does not have are left out.
    bool HasNormal(const Corner& c) const { return points_.Normal(c.vn) != nullptr; }
    bool HasUv(const Corner& c) const {
        return c.vt != kNone && 2 * std::size_t{c.vt} < points_.uvs.size();
    }

    const ObjMesh& mesh_;
    const Points& points_;
    bool normals_ = false, uvs_ = false;
};

// --- polygons ---

struct Flat {
    double x = 0, y = 0;
};

double Turn(const Flat& a, const Flat& b, const Flat& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool InTriangle(const Flat& p, const Flat& a, const Flat& b, const Flat& c) {
    return Turn(a, b, p) >= 0 && Turn(b, c, p) >= 0 && Turn(c, a, p) >= 0;
}

// A polygon's normal by Newell's rule, as long as twice its area.
std::array<double, 3> NewellNormal(const std::vector<std::array<float, 3>>& points) {
    std::array<double, 3> normal{0, 0, 0};
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const auto& a = points[i];
        const auto& b = points[(i + 1) % n];
        for (std::size_t k = 0; k < 3; ++k) {
            const std::size_t k1 = (k + 1) % 3, k2 = (k + 2) % 3;
            normal[k] += (double{a[k1]} - b[k1]) * (double{a[k2]} + b[k2]);
        }
    }
    return normal;
}

// A polygon of `n` corners as a fan of triangles from its first corner.
void Fan(std::size_t n, std::vector<std::array<std::size_t, 3>>& out) {
    out.clear();
    for (std::size_t t = 1; t + 1 < n; ++t) {
        out.push_back({0, t, t + 1});
    }
}

// Cuts a polygon (its corners' points) into triangles over its corners: a fan from the first
// corner when it is convex; when not, ears clipped in the plane the face lies most along,
// falling back to the fan where that fails. `budget` counts corner tests down.
void Triangulate(const std::vector<std::array<float, 3>>& points, std::size_t& budget,
                 std::vector<std::array<std::size_t, 3>>& out) {
    const std::size_t n = points.size();
    out.clear();
    const auto fan = [&]() { Fan(n, out); };
    if (n > kMaxEarCorners || budget < n * n) {
        return fan();
    }
    // The face's normal and the axis it points most along.
    const std::array<double, 3> normal = NewellNormal(points);
    int axis = 0;
    for (int k = 1; k < 3; ++k) {
        if (std::abs(normal[k]) > std::abs(normal[axis])) {
            axis = k;
        }
    }
    if (!std::isfinite(normal[axis]) || normal[axis] == 0) {
        return fan();
    }
    // Seen down that axis with the face turning counter-clockwise.
    const int u = (axis + 1) % 3, w = (axis + 2) % 3;
    const double side = normal[axis] > 0 ? 1.0 : -1.0;
    std::vector<Flat> flat(n);
    for (std::size_t i = 0; i < n; ++i) {
        flat[i] = {points[i][static_cast<std::size_t>(u)],
                   side * points[i][static_cast<std::size_t>(w)]};
    }
    bool convex = true;
    for (std::size_t i = 0; i < n && convex; ++i) {
        convex = Turn(flat[(i + n - 1) % n], flat[i], flat[(i + 1) % n]) >= 0;
    }
    if (convex) {
        return fan();
    }
    std::vector<std::size_t> ring(n);
    for (std::size_t i = 0; i < n; ++i) {
        ring[i] = i;
    }
    while (ring.size() > 3) {
        const std::size_t m = ring.size();
        bool clipped = false;
        for (std::size_t i = 0; i < m && !clipped; ++i) {
            const std::size_t a = ring[(i + m - 1) % m], b = ring[i], c = ring[(i + 1) % m];
            if (Turn(flat[a], flat[b], flat[c]) <= 0) {
                continue;  // a reflex or flat corner is no ear
            }
            bool empty = true;
            for (std::size_t j = 0; j < m && empty; ++j) {
                const std::size_t p = ring[j];
                empty =
                    p == a || p == b || p == c || !InTriangle(flat[p], flat[a], flat[b], flat[c]);
            }
            budget -= std::min(budget, m);
            if (empty) {
                out.push_back({a, b, c});
                ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(i));
                clipped = true;
            }
        }
        if (!clipped || budget == 0) {
            return fan();
        }
    }
    out.push_back({ring[0], ring[1], ring[2]});
}

// --- the file ---

class ObjParser {
  public:
    ObjParser(std::string file_name, fs::path folder, const ModelImportOptions& options)
        : file_name_(std::move(file_name)), folder_(std::move(folder)), options_(options) {
        materials_.emplace_back().name = kDefaultMaterial;
        material_index_.emplace(kDefaultMaterial, 0);
    }

    Status Read(LineReader& lines) {
        std::string_view line;
        for (;;) {
            const LineReader::Got got = lines.Next(line);
            if (got == LineReader::Got::End) {
                return Status::Ok();
            }
            if (got == LineReader::Got::TooLong) {
                return ReadFailed(file_name_, "a line is longer than 1 MB");
            }
            Status status = Line(line);
            if (!status.ok()) {
                return status;
            }
        }
    }

    Result<ModelScene> Scene();

  private:
    Status Line(std::string_view line);
    Status Point(Words& words, std::vector<float>& into, std::size_t count, bool whole);
    Status Face(Words& words);
    void Smooth();
    std::uint32_t SmoothNormal(std::uint32_t point);
    Status Object(std::string_view name);
    Status AddObject(std::string_view name);
    Status Group(std::string_view name);
    Status UseMaterial(std::string_view name);
    Status MaterialLibraries(std::string_view names);
    Status ReadLibrary(const fs::path& path);
    Status NewMesh(const std::string& name);
    Result<std::size_t> MaterialNamed(const std::string& name);
    void ReadPictures(ModelScene& scene);

    std::string file_name_;
    fs::path folder_;  // empty: nothing beside the file is read
    ModelImportOptions options_;
    Points points_;
    std::vector<ObjMaterial> materials_;
    std::unordered_map<std::string, std::size_t> material_index_;
    std::optional<std::size_t> current_material_;
    std::vector<ObjObject> objects_;
    std::unordered_map<std::string, std::size_t> object_index_;  // the first of each name
    std::vector<ObjMesh> meshes_;
    std::optional<std::size_t> current_object_, current_mesh_;
    std::string active_group_;
    std::set<fs::path> libraries_read_;
    std::size_t triangles_ = 0;
    std::size_t left_out_ = 0;
    std::size_t most_point_ = 0;  // 1 + the largest point index a face names
    std::size_t ear_budget_ = kEarTestBudget;
    // The smoothing group faces are in (0: none), and each point's normal in the first group it
    // was smoothed in (with 1 added; 0: none yet); its normals in other groups, by (point, group),
    // in a tree (a file cannot choose group numbers that make its look-ups slow).
    std::uint32_t smoothing_group_ = 0;
    std::vector<std::array<std::uint32_t, 2>> smoothed_at_point_;
    std::map<std::uint64_t, std::uint32_t> smoothed_elsewhere_;
    // Reused from face to face.
    std::vector<Corner> corners_;
    std::vector<std::array<float, 3>> corner_points_;
    std::vector<std::array<std::size_t, 3>> cut_;
    std::vector<unsigned> local_;
};

Status ObjParser::Line(std::string_view line) {
    Words words(line);
    std::string_view keyword;
    if (!words.Next(keyword) || keyword.starts_with('#')) {
        return Status::Ok();
    }
    if (keyword == "v") {
        return Point(words, points_.positions, 3, true);
    }
    if (keyword == "vt") {
        return Point(words, points_.uvs, 2, false);
    }
    if (keyword == "vn") {
        return Point(words, points_.normals, 3, false);
    }
    if (keyword == "f") {
        return Face(words);
    }
    if (keyword == "o") {
        std::string_view name;
        return words.Next(name) ? Object(name) : Status::Ok();
    }
    if (keyword == "g") {
        return Group(words.Rest());
    }
    if (keyword == "usemtl") {
        return UseMaterial(words.Rest());
    }
    if (keyword == "mtllib") {
        return MaterialLibraries(words.Rest());
    }
    if (keyword == "s") {
        std::string_view group;
        std::uint32_t number = 0;
        if (words.Next(group)) {
            const auto [end, error] =
                std::from_chars(group.data(), group.data() + group.size(), number);
            if (error != std::errc() || end != group.data() + group.size()) {
                number = 0;  // "off", or a word that is no group
            }
        }
        smoothing_group_ = number;
        return Status::Ok();
    }
    return Status::Ok();  // lines, points, curves and the rest
}

Status ObjParser::Point(Words& words, std::vector<float>& into, std::size_t count, bool whole) {
    if (into.size() >= kMaxPoints * count) {
        return TooLarge(file_name_, "more than 60000000 points");
    }
    float values[3];
    if (NumbersOf(words, values, count) < count && whole) {
        return ReadFailed(file_name_, "OBJ: Invalid number of components");
    }
    into.insert(into.end(), values, values + count);
    return Status::Ok();
}

// An index as the file writes it (1 the first, -1 the last read so far) into one of its lists
// of `count`; kNone when the word is empty or 0.
std::optional<std::uint32_t> IndexOf(std::string_view word, std::size_t count) {
    long long value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value == 0) {
        return std::nullopt;
    }
    if (value < 0) {
        value += static_cast<long long>(count);
        return value < 0 ? kNone - 1 : static_cast<std::uint32_t>(value);
    }
    return value > static_cast<long long>(kMaxPoints) ? kNone - 1
                                                      : static_cast<std::uint32_t>(value - 1);
}

Status ObjParser::Face(Words& words) {
    corners_.clear();
    std::string_view word;
    while (words.Next(word) && !word.starts_with('#')) {
        const std::size_t slash = word.find('/');
        const std::string_view v = word.substr(0, slash);
        std::string_view vt, vn;
        if (slash != std::string_view::npos) {
            const std::string_view rest = word.substr(slash + 1);
            const std::size_t second = rest.find('/');
            vt = rest.substr(0, second);
            vn = second == std::string_view::npos ? std::string_view() : rest.substr(second + 1);
        }
        const std::optional<std::uint32_t> point = IndexOf(v, points_.positions.size() / 3);
        if (!point) {
            return ReadFailed(file_name_, "OBJ: Invalid face index");
        }
        if (*point == kNone - 1) {
            return ReadFailed(file_name_, "OBJ: vertex index out of range");
        }
        most_point_ = std::max<std::size_t>(most_point_, std::size_t{*point} + 1);
        // A texture coordinate or normal the file does not have is left out of the corner.
        const std::uint32_t normal = IndexOf(vn, points_.normals.size() / 3).value_or(kNone);
        corners_.push_back({*point, IndexOf(vt, points_.uvs.size() / 2).value_or(kNone),
                            normal == kNone - 1 ? kNone : normal});
    }
    if (corners_.empty()) {
        return Status::Ok();
    }
    if (!current_object_) {
        if (Status made = Object(kDefaultObject); !made.ok()) {
            return made;
        }
    }
    if (!current_mesh_) {
        if (Status made = NewMesh(kDefaultObject); !made.ok()) {
            return made;
        }
    }
    ObjMesh& mesh = meshes_[*current_mesh_];
    ++mesh.faces;
    const std::size_t n = corners_.size();
    if (n < 3) {
        ++left_out_;  // points and lines
        return Status::Ok();
    }
    triangles_ += n - 2;
    if (triangles_ > kMaxImportTriangles) {
        return TooLarge(file_name_, "more than 20000000 triangles");
    }
    if (smoothing_group_ != 0) {
        Smooth();
    }
    std::array<unsigned, 3> welded{};
    if (n == 3) {
        for (std::size_t k = 0; k < 3; ++k) {
            welded[k] = mesh.Weld(corners_[k]);
        }
        mesh.triangles.push_back(welded);
        return Status::Ok();
    }
    // Polygons whose points are all read are cut by their shape; others (a point named before
    // it is read) into fans.
    corner_points_.clear();
    for (const Corner& c : corners_) {
        if (3 * std::size_t{c.v} >= points_.positions.size()) {
            corner_points_.clear();
            break;
        }
        const float* p = points_.positions.data() + 3 * std::size_t{c.v};
        corner_points_.push_back({p[0], p[1], p[2]});
    }
    if (corner_points_.size() == n) {
        Triangulate(corner_points_, ear_budget_, cut_);
    } else {
        Fan(n, cut_);
    }
    local_.assign(n, ~0u);
    for (const auto& triangle : cut_) {
        for (std::size_t k = 0; k < 3; ++k) {
            unsigned& at = local_[triangle[k]];
            if (at == ~0u) {
                at = mesh.Weld(corners_[triangle[k]]);
            }
            welded[k] = at;
        }
        mesh.triangles.push_back(welded);
    }
    return Status::Ok();
}

Status ObjParser::NewMesh(const std::string& name) {
    if (meshes_.size() >= kMaxImportParts) {
        return TooLarge(file_name_, "too many meshes or materials");
    }
    current_mesh_ = meshes_.size();
    meshes_.emplace_back().name = name;
    if (current_object_) {
        objects_[*current_object_].meshes.push_back(*current_mesh_);
    }
    return Status::Ok();
}

// A face in a smoothing group: its corners that name no normal take their point's normal in
// the group, to which the face adds its own, as long as its area (Newell's).
void ObjParser::Smooth() {
    if (std::none_of(corners_.begin(), corners_.end(),
                     [](const Corner& c) { return c.vn == kNone; })) {
        return;
    }
    corner_points_.clear();
    for (const Corner& c : corners_) {
        if (3 * std::size_t{c.v} >= points_.positions.size()) {
            return;  // a point named before it is read: the face stays flat
        }
        const float* p = points_.positions.data() + 3 * std::size_t{c.v};
        corner_points_.push_back({p[0], p[1], p[2]});
    }
    const std::array<double, 3> normal = NewellNormal(corner_points_);
    for (Corner& c : corners_) {
        if (c.vn == kNone) {
            c.vn = SmoothNormal(c.v) | kSmoothNormal;
            float* sum = points_.smoothed.data() + 3 * std::size_t{c.vn & ~kSmoothNormal};
            for (int k = 0; k < 3; ++k) {
                constexpr double kLargest = std::numeric_limits<float>::max();
                sum[k] += static_cast<float>(std::clamp(normal[k], -kLargest, kLargest));
            }
        }
    }
}

std::uint32_t ObjParser::SmoothNormal(std::uint32_t point) {
    const auto added = [this] {
        points_.smoothed.insert(points_.smoothed.end(), 3, 0.0f);
        return static_cast<std::uint32_t>(points_.smoothed.size() / 3 - 1);
    };
    if (point >= smoothed_at_point_.size()) {
        smoothed_at_point_.resize(points_.positions.size() / 3);
    }
    auto& [group, normal] = smoothed_at_point_[point];
    if (normal == 0 || group == smoothing_group_) {
        if (normal == 0) {
            group = smoothing_group_;
            normal = added() + 1;
        }
        return normal - 1;
    }
    const auto [at, is_new] =
        smoothed_elsewhere_.try_emplace((std::uint64_t{point} << 32) | smoothing_group_, 0);
    if (is_new) {
        at->second = added();
    }
    return at->second;
}

// An object named before is taken up again; a new one comes with a mesh of its name in the
// material in use.
Status ObjParser::Object(std::string_view name) {
    const auto known = object_index_.find(std::string(name));
    if (known != object_index_.end()) {  // its faces go on into the mesh being filled
        current_object_ = known->second;
        return Status::Ok();
    }
    return AddObject(name);
}

Status ObjParser::AddObject(std::string_view name) {
    if (objects_.size() >= kMaxImportParts) {
        return TooLarge(file_name_, "too many nodes");
    }
    current_object_ = objects_.size();
    objects_.emplace_back().name = name;
    object_index_.try_emplace(std::string(name), *current_object_);
    Status made = NewMesh(std::string(name));
    if (made.ok() && current_material_) {
        meshes_[*current_mesh_].material = *current_material_;
    }
    return made;
}

// A group whose name differs from the last group's makes an object of its own, even of a
// name taken before.
Status ObjParser::Group(std::string_view name) {
    if (name == active_group_) {
        return Status::Ok();
    }
    active_group_ = name;
    return AddObject(name);
}

Result<std::size_t> ObjParser::MaterialNamed(const std::string& name) {
    const auto [found, added] = material_index_.try_emplace(name, materials_.size());
    if (added) {
        if (materials_.size() >= kMaxImportParts) {
            return TooLarge(file_name_, "too many meshes or materials");
        }
        materials_.emplace_back().name = name;
    }
    return found->second;
}

// Faces from here on take the material; a mesh that already has faces of another material is
// followed by a new one named after it.
Status ObjParser::UseMaterial(std::string_view name) {
    if (name.empty() || (current_material_ && materials_[*current_material_].name == name)) {
        return Status::Ok();
    }
    const Result<std::size_t> material = MaterialNamed(std::string(name));
    if (!material.ok()) {
        return material.status();
    }
    current_material_ = *material;
    const bool split = current_mesh_ && meshes_[*current_mesh_].material != kNoMaterial &&
                       meshes_[*current_mesh_].material != *material &&
                       meshes_[*current_mesh_].faces > 0;
    if (!current_mesh_ || split) {
        Status made = NewMesh(std::string(name));
        if (!made.ok()) {
            return made;
        }
    }
    meshes_[*current_mesh_].material = *material;
    return Status::Ok();
}

// The libraries named, from the model's folder only: the whole rest of the line when it names
// a file there, else each of its words. One missing, or not a file, is passed over.
Status ObjParser::MaterialLibraries(std::string_view names) {
    if (folder_.empty() || names.empty()) {
        return Status::Ok();
    }
    const auto usable = [this](std::string_view name, fs::path& path) {
        const std::optional<fs::path> beside = FileBeside(folder_, name);
        std::error_code error;
        return beside && fs::is_regular_file(path = *beside, error);
    };
    fs::path path;
    if (usable(names, path)) {
        return ReadLibrary(path);
    }
    Words words(names);
    std::string_view word;
    while (words.Next(word)) {
        if (usable(word, path)) {
            if (Status read = ReadLibrary(path); !read.ok()) {
                return read;
            }
        }
    }
    return Status::Ok();
}

Status ObjParser::ReadLibrary(const fs::path& path) {
    if (std::error_code error; !libraries_read_.insert(fs::weakly_canonical(path, error)).second) {
        return Status::Ok();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Status::Ok();
    }
    LineReader lines = LinesOf(in, path);
    std::optional<std::size_t> defining;
    std::string_view line;
    for (;;) {
        const LineReader::Got got = lines.Next(line);
        if (got == LineReader::Got::End) {
            break;
        }
        if (got == LineReader::Got::TooLong) {
            return ReadFailed(file_name_, "a line is longer than 1 MB");
        }
        Words words(line);
        std::string_view keyword;
        if (!words.Next(keyword) || keyword.starts_with('#')) {
            continue;
        }
        if (keyword == "newmtl") {
            const std::string_view name = words.Rest();
            const Result<std::size_t> material =
                MaterialNamed(name.empty() ? kDefaultMaterial : std::string(name));
            if (!material.ok()) {
                return material.status();
            }
            defining = *material;
            continue;
        }
        if (!defining) {
            continue;
        }
        ObjMaterial& material = materials_[*defining];
        FileMaterial& values = material.values;
        float read[3];
        const auto colour = [&]() {
            NumbersOf(words, read, 3);
            return FileMaterial::Rgb{read[0], read[1], read[2]};
        };
        const auto number = [&]() {
            NumbersOf(words, read, 1);
            return read[0];
        };
        if (keyword == "Kd") {
            values.diffuse = colour();
        } else if (keyword == "Ks") {
            values.specular = colour();
        } else if (keyword == "Ka") {
            values.ambient = colour();
        } else if (keyword == "Ke") {
            values.emissive = colour();
        } else if (keyword == "Ns") {
            values.exponent = number();
        } else if (keyword == "d") {
            values.opacity = number();
        } else if (keyword == "Tr") {
            values.opacity = 1.0f - number();
        } else if (keyword == "Ni") {
            values.index_of_refraction = number();
        } else if (keyword == "Pr") {
            values.roughness = number();
        } else if (keyword == "Pm") {
            values.metallic = number();
        } else if (keyword == "map_Kd") {
            material.picture = PictureName(words.Rest());
        }
    }
    // As the library did, faces before any "usemtl" take the last material defined.
    if (defining) {
        current_material_ = *defining;
    }
    return Status::Ok();
}

// Each picture once, however many materials name it, through our own readers and from the
// model's folder only.
void ObjParser::ReadPictures(ModelScene& scene) {
    std::map<std::string, SharedImage> read;  // empty: could not be read
    for (std::size_t i = 0; i < materials_.size(); ++i) {
        const std::string& name = materials_[i].picture;
        if (name.empty()) {
            continue;
        }
        auto [known, first] = read.try_emplace(name);
        if (first) {
            const std::optional<fs::path> full = FileBeside(folder_, name);
            TextureImage image;
            if (full && ImportImage(full->string(), image).ok() && image.HasPixels()) {
                known->second = SharedImage(std::move(image));
            } else if (scene.warnings.size() < kMaxPictureWarnings) {
                scene.warnings.push_back(
                    Status::Message(kMsgModelPictureUnread, {name, file_name_}));
            }
        }
        if (known->second) {
            scene.materials[i].colour_source = 1;
            scene.materials[i].colour_image = known->second;
        }
    }
}

// The scene: each object a node under the root, holding its meshes that have triangles, each
// mesh cut into pieces as soon as its turn comes and its faces given back.
Result<ModelScene> ObjParser::Scene() {
    if (most_point_ * 3 > points_.positions.size()) {
        return ReadFailed(file_name_, "OBJ: vertex index out of range");
    }
    for (ObjMesh& mesh : meshes_) {
        std::vector<std::uint32_t>().swap(mesh.slots);
    }
    ModelScene scene;
    scene.materials.reserve(materials_.size());
    for (const ObjMaterial& material : materials_) {
        scene.materials.push_back(MaterialFrom(material.values));
    }
    ReadPictures(scene);
    ModelNode& root = scene.nodes.emplace_back();
    root.name = CleanName(file_name_);
    for (const ObjObject& object : objects_) {
        ModelNode node;
        node.name = CleanName(object.name);
        for (const std::size_t m : object.meshes) {
            ObjMesh& from = meshes_[m];
            if (from.triangles.empty()) {
                continue;
            }
            ModelMesh& mesh = scene.meshes.emplace_back();
            mesh.name = CleanName(from.name);
            mesh.material = from.material == kNoMaterial ? 0 : from.material;
            MeshTriangles triangles;
            triangles.listed = std::move(from.triangles);
            CutMesh(ObjVertices(from, points_), triangles, options_.scale, mesh, left_out_);
            std::vector<Corner>().swap(from.vertices);
            for (const Mesh& piece : mesh.pieces) {
                scene.triangles += piece.TriangleCount();
            }
            if (!mesh.pieces.empty()) {
                node.meshes.push_back(scene.meshes.size() - 1);
            }
        }
        if (!node.meshes.empty()) {
            scene.nodes[0].children.push_back(scene.nodes.size());
            scene.nodes.push_back(std::move(node));
        }
    }
    if (left_out_ > 0) {
        scene.warnings.push_back(
            Status::Message(kMsgModelFacesLeftOut, {std::to_string(left_out_), file_name_}));
    }
    if (scene.triangles == 0) {
        return Status::Message(kMsgModelEmpty, {file_name_});
    }
    return scene;
}

Result<ModelScene> ReadObj(LineReader& lines, const std::string& file_name, fs::path folder,
                           const ModelImportOptions& options) {
    ObjParser parser(file_name, std::move(folder), options);
    if (Status read = parser.Read(lines); !read.ok()) {
        return read;
    }
    return parser.Scene();
}

}  // namespace

Result<ModelScene> ReadObjFile(const std::string& path, const std::string& file_name,
                               const ModelImportOptions& options) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Status::Message(kMsgObjectOpenFailed, {path});
    }
    if (in.peek() == std::ifstream::traits_type::eof()) {
        return ReadFailed(file_name, "the file is empty");
    }
    std::error_code error;
    const fs::path folder = fs::weakly_canonical(fs::absolute(path, error), error).parent_path();
    const fs::path usable_folder = error ? fs::path() : folder;
    LineReader lines = LinesOf(in, path);
    Result<ModelScene> scene = ReadObj(lines, file_name, usable_folder, options);
    if (in.bad()) {
        return ReadFailed(file_name, "the file could not be read whole");
    }
    return scene;
}

Result<ModelScene> ReadObjBytes(std::span<const std::uint8_t> bytes, const std::string& file_name,
                                const ModelImportOptions& options) {
    if (bytes.empty()) {
        return ReadFailed(file_name, "the file is empty");
    }
    LineReader lines(FillFrom(bytes), bytes.size());
    return ReadObj(lines, file_name, fs::path(), options);
}

}  // namespace kelto

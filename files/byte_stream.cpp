#include "byte_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "model/heap_tuning.h"

namespace kelto {
namespace {

// An unsigned integer's bytes, least significant first, at the end of `bytes`: one copy on a
// little-endian machine (a scene file is mostly numbers, and a snapshot of a large scene for
// its autosave is taken on the window thread).
template <typename T>
void AppendLittleEndian(std::vector<std::uint8_t>& bytes, T v) {
    const std::size_t at = bytes.size();
    bytes.resize(at + sizeof v);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes.data() + at, &v, sizeof v);
    } else {
        for (std::size_t i = 0; i < sizeof v; ++i) {
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }
}

}  // namespace

void ByteWriter::Reserve(std::size_t more) {
    if (bytes_.capacity() - bytes_.size() >= more) {
        return;
    }
    bytes_.reserve(bytes_.size() + more + more / 2 + (std::size_t{1} << 20));
    AdviseHugePages(bytes_.data() + bytes_.size(), bytes_.capacity() - bytes_.size());
}

void ByteWriter::Bytes(std::span<const std::uint8_t> data) {
    const std::size_t step = std::max<std::size_t>(std::min(stretch_, data.size()), 1);
    for (std::size_t at = 0; at < data.size(); at += step) {
        const auto from = data.begin() + static_cast<std::ptrdiff_t>(at);
        bytes_.insert(bytes_.end(), from,
                      from + static_cast<std::ptrdiff_t>(std::min(step, data.size() - at)));
        SpillWhenFull();
    }
}

void ByteWriter::U16(std::uint16_t v) {
    AppendLittleEndian(bytes_, v);
    SpillWhenFull();
}

void ByteWriter::U32(std::uint32_t v) {
    AppendLittleEndian(bytes_, v);
    SpillWhenFull();
}

void ByteWriter::F32(float v) {
    U32(std::bit_cast<std::uint32_t>(v));
}

void ByteWriter::F64(double v) {
    AppendLittleEndian(bytes_, std::bit_cast<std::uint64_t>(v));
    SpillWhenFull();
}

void ByteWriter::String(const std::string& s) {
    Bytes({reinterpret_cast<const std::uint8_t*>(s.c_str()), s.size() + 1});  // with its zero
}

void ByteWriter::Flush() {
    if (spill_ && !bytes_.empty()) {
        spill_(bytes_);
        bytes_.clear();
    }
}

// Each written as one run of its numbers.
static_assert(sizeof(Vec3) == 3 * sizeof(double) && sizeof(Vec3f) == 3 * sizeof(float) &&
              sizeof(Point4) == 4 * sizeof(double));
void ByteWriter::WriteVec3(const Vec3& v) {
    DoubleRecords(std::span(&v, 1));
}

void ByteWriter::WriteVec3f(const Vec3f& v) {
    FloatRecords(std::span(&v, 1));
}

void ByteWriter::WritePoint4(const Point4& p) {
    DoubleRecords(std::span(&p, 1));
}

void ByteWriter::WriteMatrix(const Matrix4& m) {
    DoubleRecords(std::span<const double>(m.m));
}

const std::uint8_t* ByteReader::Take(std::size_t n) {
    if (failed_ || Remaining() < n) {
        failed_ = true;
        return nullptr;
    }
    const std::uint8_t* at = data_.data() + position_;
    position_ += n;
    return at;
}

bool ByteReader::Has(std::size_t count, std::size_t size) {
    if (failed_ || (size != 0 && count > Remaining() / size)) {
        failed_ = true;
        return false;
    }
    return true;
}

std::uint8_t ByteReader::U8() {
    const std::uint8_t* p = Take(1);
    return p ? p[0] : 0;
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t n) {
    const std::uint8_t* p = Take(n);
    return p ? std::span<const std::uint8_t>(p, n) : std::span<const std::uint8_t>();
}

std::uint16_t ByteReader::U16() {
    const std::uint8_t* p = Take(2);
    return p ? static_cast<std::uint16_t>(p[0] | (p[1] << 8)) : 0;
}

std::uint32_t ByteReader::U32() {
    const std::uint8_t* p = Take(4);
    if (!p) {
        return 0;
    }
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

float ByteReader::F32() {
    return std::bit_cast<float>(U32());
}

double ByteReader::F64() {
    const std::uint64_t low = U32();
    const std::uint64_t high = U32();
    return std::bit_cast<double>(low | (high << 32));
}

bool ByteReader::Flag() {
    const std::uint8_t v = U8();
    if (v > 1) {
        failed_ = true;
    }
    return v == 1;
}

std::string ByteReader::String(std::size_t max_length) {
    std::string s;
    while (!failed_) {
        const std::uint8_t c = U8();
        if (failed_ || c == 0) {
            break;
        }
        if (s.size() == max_length) {
            failed_ = true;
            break;
        }
        s.push_back(static_cast<char>(c));
    }
    return failed_ ? std::string() : s;
}

Vec3 ByteReader::ReadVec3() {
    Vec3 v;
    v.x = F64();
    v.y = F64();
    v.z = F64();
    return v;
}

Vec3f ByteReader::ReadVec3f() {
    Vec3f v;
    v.x = F32();
    v.y = F32();
    v.z = F32();
    return v;
}

Point4 ByteReader::ReadPoint4() {
    Point4 p;
    p.x = F64();
    p.y = F64();
    p.z = F64();
    p.w = F64();
    return p;
}

Matrix4 ByteReader::ReadMatrix() {
    Matrix4 m;
    for (double& v : m.m) {
        v = F64();
    }
    return m;
}

std::size_t ByteReader::Count(std::size_t size) {
    const std::int32_t n = I32();
    if (failed_ || n < 0 || !Has(static_cast<std::size_t>(n), size)) {
        failed_ = true;
        return 0;
    }
    return static_cast<std::size_t>(n);
}

}  // namespace kelto

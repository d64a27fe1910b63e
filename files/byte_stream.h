// Little-endian binary writing and reading with explicit byte counts. The reader never reads
// past its end: once a read would, it fails, stays failed and yields zeros.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "model/geometry.h"

namespace kelto {

class ByteWriter {
  public:
    // Where a writer that does not keep everything hands its bytes, a stretch at a time.
    using Spill = std::function<void(std::span<const std::uint8_t>)>;

    ByteWriter() = default;
    // Hands what it holds to `spill` whenever it holds `stretch` bytes or more, and on Flush:
    // a large file is written without ever being whole in memory.
    ByteWriter(Spill spill, std::size_t stretch) : spill_(std::move(spill)), stretch_(stretch) {}

    void U8(std::uint8_t v) {
        bytes_.push_back(v);
        SpillWhenFull();
    }
    void Flag(bool v) { U8(v ? 1 : 0); }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void U32(std::uint32_t v);
    void U16(std::uint16_t v);
    void F32(float v);
    void F64(double v);
    // Long runs go in a stretch at a time, so a spilling writer never holds much more than one.
    void Bytes(std::span<const std::uint8_t> data);
    // Room for `more` bytes and some after them, so that a large record (a picture) is not
    // copied again when the buffer grows past it; room not written takes no memory.
    void Reserve(std::size_t more);
    // The string's bytes and a terminating zero.
    void String(const std::string& s);
    void WriteVec3(const Vec3& v);
    void WriteVec3f(const Vec3f& v);
    void WritePoint4(const Point4& p);
    void WriteMatrix(const Matrix4& m);
    // Arrays of records made of floats alone (floats, vertices, 3-vectors) or of doubles alone
    // (doubles, 4-points), each number as F32 or F64 writes it, and of 16-bit words: copied
    // whole on a little-endian machine. A scene file is mostly such arrays, and the snapshot
    // of a large scene for its autosave is taken on the window thread.
    template <typename Record>
    void FloatRecords(std::span<const Record> records) {
        NumberRecords<float>(records);
    }
    template <typename Record>
    void DoubleRecords(std::span<const Record> records) {
        NumberRecords<double>(records);
    }
    void U16s(std::span<const std::uint16_t> values) { Words(values); }
    void U32s(std::span<const std::uint32_t> values) { Words(values); }

    // What has not been spilled (everything, for a writer without a spill).
    const std::vector<std::uint8_t>& Data() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }
    // Hands the rest to the spill.
    void Flush();

  private:
    template <typename Number, typename Record>
    void NumberRecords(std::span<const Record> records) {
        static_assert(std::is_trivially_copyable_v<Record> && sizeof(Record) % sizeof(Number) == 0);
        if constexpr (std::endian::native == std::endian::little) {
            Bytes({reinterpret_cast<const std::uint8_t*>(records.data()), records.size_bytes()});
        } else {
            for (const Record& record : records) {
                Number numbers[sizeof(Record) / sizeof(Number)];
                std::memcpy(numbers, &record, sizeof numbers);
                for (const Number n : numbers) {
                    if constexpr (sizeof(Number) == 4) {
                        F32(n);
                    } else {
                        F64(n);
                    }
                }
            }
        }
    }
    template <typename Word>
    void Words(std::span<const Word> values) {
        if constexpr (std::endian::native == std::endian::little) {
            Bytes({reinterpret_cast<const std::uint8_t*>(values.data()), values.size_bytes()});
        } else {
            for (const Word v : values) {
                if constexpr (sizeof(Word) == 2) {
                    U16(v);
                } else {
                    U32(v);
                }
            }
        }
    }
    void SpillWhenFull() {
        if (bytes_.size() >= stretch_) {
            Flush();
        }
    }

    std::vector<std::uint8_t> bytes_;
    Spill spill_;
    std::size_t stretch_ = std::numeric_limits<std::size_t>::max();
};

class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool Failed() const { return failed_; }
    std::size_t Remaining() const { return data_.size() - position_; }
    std::size_t Position() const { return position_; }
    // Marks the reader failed (a record that is well formed but not acceptable).
    void Fail() { failed_ = true; }
    // True when `count` elements of `size` bytes each remain; fails the reader otherwise. Call
    // it before allocating room for them.
    bool Has(std::size_t count, std::size_t size);

    std::uint8_t U8();
    // The next `n` bytes; fewer left fails the reader and gives none.
    std::span<const std::uint8_t> Bytes(std::size_t n);
    std::uint16_t U16();
    std::uint32_t U32();
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32();
    double F64();
    // A flag byte: 0 or 1; any other value fails the reader.
    bool Flag();
    // Bytes up to a zero byte; more than `max_length` bytes before it, or no zero before the
    // end, fails the reader.
    std::string String(std::size_t max_length);
    Vec3 ReadVec3();
    Vec3f ReadVec3f();
    Point4 ReadPoint4();
    Matrix4 ReadMatrix();
    // An int32 count of elements of `size` bytes: negative, or more than the bytes that remain
    // can hold, fails the reader and yields 0.
    std::size_t Count(std::size_t size);

  private:
    const std::uint8_t* Take(std::size_t n);

    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

}  // namespace kelto

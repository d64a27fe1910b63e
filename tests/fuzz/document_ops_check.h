// What the document operations fuzz target checks for any input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kelto {

// Opens the input as a scene (the reader reads no further than the view trailer) and, when it
// opens, applies the operations its last bytes name: the last byte counts the operation bytes
// before it. Traps (ends the process) when a save does not open again and save to the same
// bytes, or an operation that was refused changed the scene.
void CheckDocumentOperations(const std::uint8_t* data, std::size_t size);

// Operation bytes, low four bits the operation and high four its argument.
enum class FuzzOperation : std::uint8_t {
    PasteInput,  // the input's own scene pasted in
    PasteCopy,   // the selection copied and pasted
    Combine,
    Trim,
    Intersect,
    Import3ds,  // a tetrahedron made in memory
    Rename,     // the argument picks the node and the name
    Undo,
    Redo,
    Delete,
    Group,
    Select,  // node argument & 7, with Shift when argument & 8
    Insert,  // primitive argument & 7
    Cut,
    Ungroup,        // the node the argument picks
    PlainMaterial,  // the node the argument picks loses its pictures
};

// The input that applies `operations` to the scene file `scene`.
std::vector<std::uint8_t> WithOperations(std::vector<std::uint8_t> scene,
                                         std::span<const std::uint8_t> operations);
constexpr std::uint8_t OperationByte(FuzzOperation operation, int argument = 0) {
    return static_cast<std::uint8_t>(static_cast<int>(operation) | (argument & 15) << 4);
}

}  // namespace kelto

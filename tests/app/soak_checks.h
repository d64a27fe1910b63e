// What must hold of a document between any two user actions, read through the core alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelto {

class DocumentCore;

namespace soak {

// Empty when the document is whole: every node of the name map hangs in the tree once, its
// parent holds it, its handle and its name find it; light handles resolve and light names are
// unique; the selection summary counts the nodes whose flags say they are selected. Otherwise
// the first fault found, in words.
std::string Inconsistency(const DocumentCore& document);

// The bytes Save writes, without the stored cameras and with nothing selected: moving a
// window's camera and choosing objects are not steps of the history, so two states that undo
// treats as one may differ there.
std::vector<std::uint8_t> SceneBytes(const DocumentCore& document);

// Where two byte strings first differ, for a message ("sizes 812 and 830, first difference at
// byte 140").
std::string FirstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

}  // namespace soak
}  // namespace kelto

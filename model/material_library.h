// The library of ready materials: glass, water, gems, metals, plastics, stone, wood, brick and
// a glowing surface, each under a short name ("gold", "clear-glass") that the Materials panel
// shows and `kelto-cli build` takes as `material:NAME@preset=gold`.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "material.h"

namespace kelto {

struct LibraryMaterial {
    std::string_view name;         // lower case, words joined by '-'
    std::string_view description;  // one line for a tooltip
    Material (*make)();            // the material, pictures drawn afresh
};

// Every ready material, in the order the panel lists them.
std::span<const LibraryMaterial> MaterialLibrary();
// The material of that name; none for a name the library does not have.
std::optional<Material> LibraryMaterialNamed(std::string_view name);
// The library's names joined by ", ", for messages that list them.
std::string LibraryMaterialNames();

// Whether every field lies where the material editor and the ray tracer expect it: a finite
// mapping; colours
// and strengths finite and not negative; shininess, reflection, transparency and
// dispersiveness in 0..1; index of refraction in 1..3.5; bump magnitude in 0.001..1; a
// known bump mode; and every picture a source asks for present, with pixels.
bool MaterialFieldsValid(const Material& material);

}  // namespace kelto

// What the fuzz targets over files check for any input. Each check traps (ends the process)
// when the code under test breaks its promise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelto {

// A decoder fails with a message, or gives a picture whose rows all exist and are as wide as
// the picture says.
enum class ImageDecoder { Jpeg, Png, Tiff };
void CheckImageDecoder(ImageDecoder decoder, const std::uint8_t* data, std::size_t size);

// Opens the bytes as a scene file and, when they load, ray traces the scene as kelto-cli
// would (its first view, or the scene's camera) in a tiny picture, in Draft and in Production,
// on one thread: every pixel must come out once.
void CheckSceneRender(const std::uint8_t* data, std::size_t size);

// Reads the bytes as a render part file: a part it accepts must be what a render writes, a
// rectangle inside its picture with the rectangle's pixels, encoding back to the same bytes.
void CheckRenderPart(const std::uint8_t* data, std::size_t size);

// Imports the bytes as a 3DS file: a failure says why and changes nothing; the objects made
// index only their own vertices.
void CheckThreeDsImport(const std::uint8_t* data, std::size_t size);

// Reads the bytes as an environment picture: a picture it accepts has all its values, each
// finite and within 0 .. 65504; a refusal says why.
void CheckEnvironmentPicture(const std::uint8_t* data, std::size_t size);

// Imports the bytes after the first as a model file whose format the first byte picks (OBJ,
// STL, PLY, glTF, GLB): a failure says why and changes nothing; the objects made hold whole
// triangles over finite points, and the scene saves and opens again.
void CheckModelImport(const std::uint8_t* data, std::size_t size);

}  // namespace kelto

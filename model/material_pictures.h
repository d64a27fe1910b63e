// Pictures for the material library, drawn by the program itself from noise, rings and brick
// courses. Every picture tiles (its right edge meets its left, its bottom its top) and is the
// same on every run: the noise comes from a fixed hash, not from a random source.
#pragma once

#include "image.h"

namespace kelto {

// Colour pictures (three channels).
TextureImage MarblePicture(int size);    // white stone with grey veins
TextureImage WoodPicture(int size);      // the growth rings of a plank
TextureImage BrickPicture(int size);     // red-brown bricks in courses with mortar between
TextureImage ConcretePicture(int size);  // grey speckled cement

// Grey height pictures for bump mapping (one channel).
TextureImage BrickBumpPicture(int size);  // the mortar joints sunk below the bricks
// Fine grain, `cells` noise cells across the picture: frosted glass, rough metal.
TextureImage GrainBumpPicture(int size, int cells, unsigned seed);

}  // namespace kelto

// What a ray that hits nothing sees: black, one colour, a gradient from the horizon up to the
// zenith, or the environment picture wrapped round the scene.
//
// The picture is equirectangular: longitude runs along its width from straight behind the
// default view (+z) through +x, so that its centre column is seen looking along -z, and
// latitude down its height from the zenith (row 0) to the nadir (the last row). A rotation of
// r degrees turns the picture about +y so that what was seen at longitude a (measured from +z
// toward +x) is seen at a + r. Looked up bilinearly, wrapping round in longitude and clamped
// at the poles; the direction through a texel's centre sees exactly that texel.
#pragma once

#include <memory>

#include "float_math.h"
#include "model/environment_picture.h"
#include "model/scene_lighting.h"

namespace kelto {

class EnvironmentLookup {
  public:
    // Black all round.
    EnvironmentLookup() = default;
    // From the settings; a picture environment without a picture (or with an empty one) is
    // black.
    EnvironmentLookup(const SceneLighting& lighting,
                      std::shared_ptr<const EnvironmentPicture> picture);

    // Whether every direction sees black (rays that miss cost nothing more than before).
    bool IsBlack() const { return kind_ == EnvironmentKind::None; }
    // The colour seen along the unit direction, not clamped (a picture may be brighter than 1).
    // Directions that are not numbers see black.
    ColourRgb Seen(const Vec3f& direction) const;

  private:
    ColourRgb FromPicture(const Vec3f& direction) const;

    EnvironmentKind kind_ = EnvironmentKind::None;
    ColourRgb horizon_;
    ColourRgb zenith_;
    std::shared_ptr<const EnvironmentPicture> picture_;
    double rotation_turns_ = 0.0;
};

}  // namespace kelto

#include "hierarchy_walk.h"

#include <algorithm>
#include <utility>

#include "eight_lanes.h"
#include "triangle_intersection.h"

namespace kelto {

namespace walk_pair {
namespace lanes = lanes_pair;
using lanes::Float8;
using lanes::Mask8;
#include "hierarchy_walk.inc"
}  // namespace walk_pair

#if KELTO_AVX2_LANES
KELTO_BEGIN_AVX2
namespace walk_avx2 {
namespace lanes = lanes_avx2;
using lanes::Float8;
using lanes::Mask8;
#include "hierarchy_walk.inc"
}  // namespace walk_avx2
KELTO_END_AVX2
#endif

}  // namespace kelto

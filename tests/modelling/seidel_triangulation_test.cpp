#include <gtest/gtest.h>

#include "modelling/seidel_triangulation.h"

namespace kelto {
namespace {

TEST(SeidelTriangulation, Placeholder) { SUCCEED(); }

}  // namespace
}  // namespace kelto

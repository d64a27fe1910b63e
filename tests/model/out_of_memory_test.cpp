#include <gtest/gtest.h>

#include <new>

#include "model/out_of_memory.h"

namespace kelto {
namespace {

TEST(OutOfMemoryDeathTest, HandlerReportsAndExitsWithStatusOne) {
    EXPECT_EXIT(
        {
            InstallOutOfMemoryHandler();
            std::new_handler handler = std::get_new_handler();
            if (handler != nullptr)
                handler();
        },
        testing::ExitedWithCode(1), "out of memory");
}

}  // namespace
}  // namespace kelto

#include <gtest/gtest.h>

#include "model/child_list.h"

namespace kelto {
namespace {

// Children are walked newest first; the last one's next pointer leads back to the parent.
TEST(ChildList, LinkAndUnlinkAtTheFrontMiddleAndEnd) {
    SceneNode parent, a, b, c, stranger, inner;
    LinkChild(parent, a);
    EXPECT_EQ(a.next, &parent);
    LinkChild(parent, b);
    LinkChild(parent, c);
    LinkChild(b, inner);  // a nested list stays apart
    EXPECT_EQ(ChildrenOf(parent), (std::vector<SceneNode*>{&c, &b, &a}));
    EXPECT_EQ(inner.next, &b);
    EXPECT_FALSE(UnlinkChild(parent, stranger));

    EXPECT_TRUE(UnlinkChild(parent, b));  // middle
    EXPECT_EQ(ChildrenOf(parent), (std::vector<SceneNode*>{&c, &a}));
    EXPECT_EQ(b.next, nullptr);
    EXPECT_TRUE(UnlinkChild(parent, a));  // last: c now leads back to the parent
    EXPECT_EQ(c.next, &parent);
    EXPECT_TRUE(UnlinkChild(parent, c));  // only child
    EXPECT_EQ(ChildCount(parent), 0u);
    LinkChild(parent, b);  // relinking works after everything was taken out
    EXPECT_EQ(ChildrenOf(parent), (std::vector<SceneNode*>{&b}));
}

}  // namespace
}  // namespace kelto

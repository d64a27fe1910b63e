#include <gtest/gtest.h>

#include "model/child_list.h"

namespace kelto {
namespace {

TEST(ChildList, WalksNewestFirstAndEndsAtTheParent) {
    SceneNode parent, a, b, c;
    EXPECT_EQ(ChildCount(parent), 0u);
    LinkChild(parent, a);
    // One child: visited once, and its next pointer leads back to the parent.
    EXPECT_EQ(ChildrenOf(parent), (std::vector<SceneNode*>{&a}));
    EXPECT_EQ(a.next, &parent);
    LinkChild(parent, b);
    LinkChild(parent, c);
    EXPECT_EQ(ChildrenOf(parent), (std::vector<SceneNode*>{&c, &b, &a}));
}

TEST(ChildList, UnlinkFromTheFrontMiddleAndEnd) {
    SceneNode parent, a, b, c, stranger;
    LinkChild(parent, a);
    LinkChild(parent, b);
    LinkChild(parent, c);
    EXPECT_FALSE(UnlinkChild(parent, stranger));

    EXPECT_TRUE(UnlinkChild(parent, b));  // middle
    EXPECT_EQ(ChildrenOf(parent), (std::vector<SceneNode*>{&c, &a}));
    EXPECT_EQ(b.next, nullptr);
    EXPECT_TRUE(UnlinkChild(parent, a));  // last: c now leads back to the parent
    EXPECT_EQ(c.next, &parent);
    EXPECT_TRUE(UnlinkChild(parent, c));  // only child
    EXPECT_EQ(parent.first_child, nullptr);
    EXPECT_EQ(ChildCount(parent), 0u);

    // Relinking works after everything was taken out.
    LinkChild(parent, b);
    EXPECT_EQ(ChildrenOf(parent), (std::vector<SceneNode*>{&b}));
}

TEST(ChildList, NestedListsStaySeparate) {
    SceneNode root, group, inner, outer;
    LinkChild(root, group);
    LinkChild(root, outer);
    LinkChild(group, inner);
    EXPECT_EQ(ChildrenOf(root), (std::vector<SceneNode*>{&outer, &group}));
    EXPECT_EQ(ChildrenOf(group), (std::vector<SceneNode*>{&inner}));
    EXPECT_EQ(inner.next, &group);
}

}  // namespace
}  // namespace kelto

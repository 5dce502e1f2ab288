#include "platform/Path.h"

#include <gtest/gtest.h>

using namespace tw;

TEST(Path, StandardizesLexically)
{
    EXPECT_EQ(path::standardized(u"/a//b/./c/"), "/a/b/c");
    EXPECT_EQ(path::standardized(u"/Users/ann/Library/Caches/../Caches"), "/Users/ann/Library/Caches");
    EXPECT_EQ(path::standardized(u"/../../etc"), "/etc");
    EXPECT_EQ(path::standardized(u"/"), "/");
    EXPECT_EQ(path::standardized(u""), "");
}

TEST(Path, ExtensionRuleNeedsADotInsideTheName)
{
    EXPECT_EQ(path::extension(u"/Applications/Foo.app"), "app");
    EXPECT_EQ(path::extension(u"/x/archive.tar.gz"), "gz");
    EXPECT_EQ(path::extension(u"/x/.hidden"), "");
    EXPECT_EQ(path::extension(u"/x/trailing."), "");
    EXPECT_EQ(path::extension(u"/x/Notes"), "");
    EXPECT_EQ(path::baseName(u"/x/Foo.app/"), "Foo");
    EXPECT_EQ(path::deletingExtension(u"/x/Foo.app"), "/x/Foo");
}

TEST(Path, ParentJoinAndInside)
{
    EXPECT_EQ(path::parent(u"/a/b"), "/a");
    EXPECT_EQ(path::parent(u"/a"), "/");
    EXPECT_EQ(path::join(u"/", u"a"), "/a");
    EXPECT_EQ(path::join(u"/a", u"b"), "/a/b");
    EXPECT_TRUE(path::isInside(u"/a/b", u"/a"));
    EXPECT_FALSE(path::isInside(u"/ab", u"/a"));
    EXPECT_FALSE(path::isInside(u"/a", u"/a"));
}

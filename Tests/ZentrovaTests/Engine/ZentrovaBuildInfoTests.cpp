#include "Zentrova/Engine/ZentrovaBuildInfo.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrova {
namespace {

TEST(ZentrovaBuildInfo, VersionIsThePrefixOfTheFullRevision)
{
    const std::string commit(ZentrovaBuildInfo::commit());
    ASSERT_EQ(commit.size(), 40u);
    EXPECT_EQ(commit.find_first_not_of("0123456789abcdef"), std::string::npos) << commit;
    EXPECT_EQ(ZentrovaBuildInfo::version(), commit.substr(0, 12));
}

} // namespace
} // namespace zentrova

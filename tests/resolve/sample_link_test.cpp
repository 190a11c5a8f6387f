#include "resolve/sample_link.h"

#include <gtest/gtest.h>

#include "net/text.h"
#include "resolve/site_table.h"

namespace {

TEST(SampleLink, SelectsTheDouyinRow) {
  const resolve::SiteRule* rule = resolve::classify_link(resolve::kSampleShareLink);
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(rule, &resolve::site_table()[1]);
  EXPECT_EQ(rule->service_path, "/video/douyin");
}

TEST(SampleLink, CanBeSignedAndSentAsItIs) {
  // A single quote or a line break would break the signing expression.
  for (std::string_view breaking : {"'", "\r", "\n"}) {
    EXPECT_FALSE(net::contains(resolve::kSampleShareLink, breaking)) << "holds " << breaking;
  }
  EXPECT_TRUE(resolve::kSampleShareLink.starts_with("https://www.iesdouyin.com/share/video/"));
}

}  // namespace

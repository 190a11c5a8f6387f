#include "resolve/site_table.h"

#include <gtest/gtest.h>

#include <string>

namespace resolve {
namespace {

// The address the URL box holds at start.
constexpr std::string_view kSampleLink =
    "https://www.iesdouyin.com/share/video/7012345678901234567/?region=CN&mid=7012345678901234568"
    "&u_code=0&titleType=title&utm_source=copy_link&utm_campaign=client_share&utm_medium=android"
    "&app=aweme&iid=1234567890&timestamp=1633000000";

struct ClassifyCase {
  const char* what_it_proves = "";
  std::string link{};
  std::string_view service_path{};  // empty: no row matches
};

TEST(ClassifyLink, Cases) {
  const ClassifyCase cases[] = {
      {"the sample link is Douyin", std::string(kSampleLink), "/video/douyin"},
      {"a Douyin short link", "https://v.douyin.com/iRNBho6u/", "/video/douyin"},
      {"Kuaishou", "https://v.kuaishou.com/5xXNiL", "/video/kuaishou"},
      {"Huoshan", "https://share.huoshan.com/hotsoon/s/ab12/", "/video/huoshan"},
      {"Meipai", "http://www.meipai.com/media/6862000000", "/video/meipai"},
      {"Weishi by its name", "https://isee.weishi.qq.com/ws/app-pages/share/index.html?id=1",
       "/video/weishi"},
      {"NetEase", "https://y.music.163.com/m/mv?id=10930000", "/video/yunyinyue"},
      {"Momo", "https://m.immomo.com/s/moment/new-share-v2/ax1.html", "/video/momo"},
      {"Xiaoying", "https://xiaoying.tv/v/1a2b3c/", "/video/xiaoying"},
      {"Toutiao's first domain", "https://m.toutiao.com/is/JJt0Fq1/", "/video/toutiao"},
      {"Toutiao's second domain", "https://m.toutiaocdn.com/i6880000000000000000/", "/video/toutiao"},
      {"the earlier row wins: weishi inside a Toutiao address", "https://m.toutiao.com/is/x/?from=weishi",
       "/video/weishi"},
      {"the earlier row wins: Kuaishou before Douyin", "https://v.kuaishou.com/x?r=douyin.com",
       "/video/kuaishou"},
      {"letter case counts", "https://isee.WEISHI.qq.com/x", ""},
      {"upper-case domains do not match", "https://V.DOUYIN.COM/x", ""},
      {"the empty link", "", ""},
      {"an unserved site", "https://www.example.com/video/1", ""},
      {"words around the address are kept",
       "\xB8\xB4\xD6\xC6 https://v.douyin.com/x/ \xB4\xF2\xBF\xAA",  // 复制 打开
       "/video/douyin"},
      // 0x81 followed by 'w' is one GBK character, so the text "weishi" here starts on a trail byte.
      {"a match never starts on a trail byte", "\x81weishi", ""},
      {"a match after a whole double-byte character", "\x81\x40weishi", "/video/weishi"},
  };
  for (const auto& c : cases) {
    const SiteRule* rule = classify_link(c.link);
    EXPECT_EQ(rule == nullptr ? std::string_view{} : rule->service_path, c.service_path) << c.what_it_proves;
  }
}

TEST(ClassifyLink, ReturnsTheTableRow) {
  const SiteRule* rule = classify_link(kSampleLink);
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(rule, &site_table()[1]);
  EXPECT_EQ(rule->address_shape, AddressShape::single);
}

TEST(SiteTable, NineRowsInOrderWithTheirShapes) {
  struct Row {
    std::string_view service_path{};
    AddressShape shape = AddressShape::single;
  };
  const Row expected[] = {
      {"/video/kuaishou", AddressShape::single},       {"/video/douyin", AddressShape::single},
      {"/video/huoshan", AddressShape::list},          {"/video/meipai", AddressShape::single},
      {"/video/weishi", AddressShape::single},         {"/video/yunyinyue", AddressShape::single},
      {"/video/momo", AddressShape::single},           {"/video/xiaoying", AddressShape::single},
      {"/video/toutiao", AddressShape::download_list},
  };
  const auto table = site_table();
  ASSERT_EQ(table.size(), std::size(expected));
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].service_path, expected[i].service_path) << "row " << i + 1;
    EXPECT_EQ(table[i].address_shape, expected[i].shape) << "row " << i + 1;
    EXPECT_FALSE(table[i].match_texts[0].empty()) << "row " << i + 1;
  }
  EXPECT_EQ(table[4].match_texts[0], "weishi");
}

}  // namespace
}  // namespace resolve

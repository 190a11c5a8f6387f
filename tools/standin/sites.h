#pragma once
// The parse service's site paths as the stand-in serves them, and the shape of each reply.
// This is the service's side of the conversation, kept apart from the program's own table.

#include <array>
#include <optional>
#include <string_view>

namespace standin {

enum class ReplyShape {
  single,         // data.video and data.cover are address texts
  list,           // data.video and data.cover are arrays of address texts
  download_list,  // data.video.download is an array of objects whose "url" is the address
};

struct ServiceSite {
  std::string_view name = {};  // the last piece of the path, also used in media addresses
  std::string_view path = {};
  ReplyShape shape = ReplyShape::single;
  std::string_view title_utf8 = {};  // the default title of its reply
};

// 测试视频 ("test video") follows each site's Chinese name in the default titles.
inline constexpr std::array<ServiceSite, 9> kServiceSites = {{
    {"kuaishou", "/video/kuaishou", ReplyShape::single,
     "\xE5\xBF\xAB\xE6\x89\x8B\xE6\xB5\x8B\xE8\xAF\x95\xE8\xA7\x86\xE9\xA2\x91"},  // 快手测试视频
    {"douyin", "/video/douyin", ReplyShape::single,
     "\xE6\x8A\x96\xE9\x9F\xB3\xE6\xB5\x8B\xE8\xAF\x95\xE8\xA7\x86\xE9\xA2\x91"},  // 抖音测试视频
    {"huoshan", "/video/huoshan", ReplyShape::list,
     "\xE7\x81\xAB\xE5\xB1\xB1\xE6\xB5\x8B\xE8\xAF\x95\xE8\xA7\x86\xE9\xA2\x91"},  // 火山测试视频
    {"meipai", "/video/meipai", ReplyShape::single,
     "\xE7\xBE\x8E\xE6\x8B\x8D\xE6\xB5\x8B\xE8\xAF\x95\xE8\xA7\x86\xE9\xA2\x91"},  // 美拍测试视频
    {"weishi", "/video/weishi", ReplyShape::single,
     "\xE5\xBE\xAE\xE8\xA7\x86\xE6\xB5\x8B\xE8\xAF\x95\xE8\xA7\x86\xE9\xA2\x91"},  // 微视测试视频
    {"yunyinyue", "/video/yunyinyue", ReplyShape::single,
     "\xE7\xBD\x91\xE6\x98\x93\xE4\xBA\x91\xE9\x9F\xB3\xE4\xB9\x90\xE6\xB5\x8B\xE8\xAF\x95\xE8\xA7\x86\xE9"
     "\xA2\x91"},  // 网易云音乐测试视频
    {"momo", "/video/momo", ReplyShape::single,
     "\xE9\x99\x8C\xE9\x99\x8C\xE6\xB5\x8B\xE8\xAF\x95\xE8\xA7\x86\xE9\xA2\x91"},  // 陌陌测试视频
    {"xiaoying", "/video/xiaoying", ReplyShape::single,
     "\xE5\xB0\x8F\xE5\xBD\xB1\xE6\xB5\x8B\xE8\xAF\x95\xE8\xA7\x86\xE9\xA2\x91"},  // 小影测试视频
    {"toutiao", "/video/toutiao", ReplyShape::download_list,
     "\xE5\xA4\xB4\xE6\x9D\xA1\xE6\xB5\x8B\xE8\xAF\x95\xE8\xA7\x86\xE9\xA2\x91"},  // 头条测试视频
}};

// The site served at `path`, or none.
constexpr std::optional<ServiceSite> find_service_site(std::string_view path) {
  for (const auto& site : kServiceSites) {
    if (site.path == path) return site;
  }
  return std::nullopt;
}

}  // namespace standin

#include "resolve/site_table.h"

#include "net/text.h"

namespace resolve {
namespace {

// Every site's registered domain; Douyin's matches both its share pages (www.iesdouyin.com)
// and its short links (v.douyin.com). Weishi is matched by its name alone.
constexpr std::array<SiteRule, 9> kSiteTable = {{
    {.site = "Kuaishou", .match_texts = {"kuaishou.com"}, .service_path = "/video/kuaishou"},
    {.site = "Douyin", .match_texts = {"douyin.com"}, .service_path = "/video/douyin"},
    {.site = "Huoshan",
     .match_texts = {"huoshan.com"},
     .service_path = "/video/huoshan",
     .address_shape = AddressShape::list},
    {.site = "Meipai", .match_texts = {"meipai.com"}, .service_path = "/video/meipai"},
    {.site = "Weishi", .match_texts = {"weishi"}, .service_path = "/video/weishi"},
    {.site = "NetEase Cloud Music", .match_texts = {"163.com"}, .service_path = "/video/yunyinyue"},
    {.site = "Momo", .match_texts = {"immomo.com"}, .service_path = "/video/momo"},
    {.site = "Xiaoying", .match_texts = {"xiaoying.tv"}, .service_path = "/video/xiaoying"},
    {.site = "Toutiao",
     .match_texts = {"toutiao.com", "toutiaocdn.com"},
     .service_path = "/video/toutiao",
     .address_shape = AddressShape::download_list},
}};

}  // namespace

std::span<const SiteRule> site_table() {
  return kSiteTable;
}

const SiteRule* classify_link(std::string_view link) {
  for (const SiteRule& rule : kSiteTable) {
    for (std::string_view text : rule.match_texts) {
      if (!text.empty() && net::contains(link, text)) {
        return &rule;
      }
    }
  }
  return nullptr;
}

}  // namespace resolve

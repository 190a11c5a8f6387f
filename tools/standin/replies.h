#pragma once
// The JSON the parse service answers with, in the shape of each site's reply.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/standin/sites.h"

namespace standin {

// What one site's reply says. All texts are UTF-8, as on the wire.
struct SiteReply {
  std::string title{};                    // data.text
  std::vector<std::string> videos{};      // the video addresses (a single reply uses the first)
  std::vector<std::string> covers{};      // the cover addresses (a single reply uses the first)
  bool video_as_list = false;             // a single reply with data.video as an array (Kuaishou)
  std::optional<std::string> raw_body{};  // sent instead of the built JSON, compressed as usual
};

// The reply a site gives unless a test sets another: its Chinese title, addresses on the media
// host ("/video/<name>/<n>.mp4", "/cover/<name>/<n>.png"); three videos and two covers for the
// list shape, two downloads for the download list, one of each otherwise.
SiteReply default_reply(const ServiceSite& site);

// {"code":200,"msg":"success","data":{...}} in the site's shape:
//   single         data.text, data.cover (text), data.video (text, or array when video_as_list)
//   list           data.text, data.cover (array), data.video (array)
//   download_list  data.text, data.cover (text), data.video.download (array of {"url":...})
std::string reply_json(ReplyShape shape, const SiteReply& reply);

// {"code":<code>,"msg":"<message>"}: what a refused request gets.
std::string error_json(int code, std::string_view message);

// A body that is not JSON, as a broken gateway in front of the service would send.
std::string not_json_body();

// `text` as a JSON string literal with quotes, backslashes and control characters escaped.
std::string json_string(std::string_view text);

}  // namespace standin

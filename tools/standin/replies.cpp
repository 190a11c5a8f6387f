#include "tools/standin/replies.h"

#include <cstdio>

#include "tools/standin/media.h"

namespace standin {
namespace {

std::string json_array(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out += ",";
    out += json_string(items[i]);
  }
  return out + "]";
}

std::string first_or_empty(const std::vector<std::string>& items) {
  return items.empty() ? "" : items.front();
}

std::vector<std::string> numbered(std::string_view folder, std::string_view name, int count,
                                  std::string_view extension) {
  std::vector<std::string> out;
  for (int n = 1; n <= count; ++n) {
    out.push_back(media_url("/" + std::string(folder) + "/" + std::string(name) + "/" + std::to_string(n) +
                            std::string(extension)));
  }
  return out;
}

}  // namespace

SiteReply default_reply(const ServiceSite& site) {
  int videos = site.shape == ReplyShape::list ? 3 : site.shape == ReplyShape::download_list ? 2 : 1;
  int covers = site.shape == ReplyShape::list ? 2 : 1;
  return {.title = std::string(site.title_utf8),
          .videos = numbered("video", site.name, videos, ".mp4"),
          .covers = numbered("cover", site.name, covers, ".png")};
}

std::string reply_json(ReplyShape shape, const SiteReply& reply) {
  std::string data = "\"text\":" + json_string(reply.title) + ",";
  switch (shape) {
    case ReplyShape::single:
      data += "\"cover\":" + json_string(first_or_empty(reply.covers)) + ",\"video\":" +
              (reply.video_as_list ? json_array(reply.videos) : json_string(first_or_empty(reply.videos)));
      break;
    case ReplyShape::list:
      data += "\"cover\":" + json_array(reply.covers) + ",\"video\":" + json_array(reply.videos);
      break;
    case ReplyShape::download_list: {
      std::string downloads = "[";
      for (std::size_t i = 0; i < reply.videos.size(); ++i) {
        if (i) downloads += ",";
        downloads += "{\"url\":" + json_string(reply.videos[i]) + "}";
      }
      data += "\"cover\":" + json_string(first_or_empty(reply.covers)) +
              ",\"video\":{\"download\":" + downloads + "]}";
      break;
    }
  }
  return "{\"code\":200,\"msg\":\"success\",\"data\":{" + data + "}}";
}

std::string error_json(int code, std::string_view message) {
  return "{\"code\":" + std::to_string(code) + ",\"msg\":" + json_string(message) + "}";
}

std::string not_json_body() {
  return "<html><head><title>502 Bad Gateway</title></head><body>502 Bad Gateway</body></html>";
}

std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace standin

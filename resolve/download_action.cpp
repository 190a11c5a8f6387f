#include "resolve/download_action.h"

#include <cstdio>
#include <string>
#include <vector>

#include "net/decode.h"
#include "resolve/exchange.h"
#include "resolve/held_request.h"
#include "resolve/middle_text.h"
#include "resolve/reply_addresses.h"

namespace resolve {
namespace {

constexpr char kAllSaved[] =
    "\xCA\xD3\xC6\xB5\xD2\xD1\xBE\xAD\xCF\xC2\xD4\xD8\xB3\xC9\xB9\xA6";            // 视频已经下载成功
constexpr char kNoneSaved[] = "\xCA\xD3\xC6\xB5\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC";  // 视频下载失败
constexpr char kSomeFailed[] =
    "\xB2\xBF\xB7\xD6\xCA\xD3\xC6\xB5\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC";  // 部分视频下载失败
constexpr char kDownloading[] = "\xD5\xFD\xD4\xDA\xCF\xC2\xD4\xD8 ";     // 正在下载
constexpr char kColon[] = "\xA3\xBA";                                    // ：

constexpr int kPauseAfterListFileMs = 1000;

// The videos one click saves, as they go to save_video.
struct Downloads {
  std::vector<net::Text> addresses{};
  bool pause_after_each = false;  // a list: the window runs its events for a while after each file
};

net::Text megabytes(std::int64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

// "正在下载 2/3：12.5 MB / 40.0 MB", or without the total when the server does not announce it.
net::Text progress_text(std::size_t number, std::size_t count, std::int64_t received, std::int64_t total) {
  net::Text text = kDownloading + std::to_string(number) + "/" + std::to_string(count);
  if (received < 0) return text;
  text += kColon + megabytes(received);
  if (total >= 0) text += " / " + megabytes(total);
  return text;
}

net::Text without_mp4_marker(const net::Text& address) {
  return net::replace_pairs({.text = address, .find1 = "#mp4"});
}

// Title, address boxes and cover from the reply; what is to be saved.
Downloads show_reply(Window& window, Click& click, const TransferProgress& keep_painting) {
  script::JsonDocument& reply = click.document;
  const SiteRule& rule = *click.rule;
  window.set_title(reply.GetText("data.text"));

  const bool kuaishou = rule.site == "Kuaishou";
  AddressShape shape = rule.address_shape;
  // Kuaishou answers with one address or with a list of them.
  if (kuaishou && reply.TypeOf("data.video") == script::JsonType::array) shape = AddressShape::list;
  std::vector<net::Text> addresses = read_addresses(reply, shape);
  fill_address_boxes(window, addresses, shape);

  // Huoshan lists its covers; the first one goes with the download.
  const bool huoshan = rule.address_shape == AddressShape::list;
  const net::Text cover = reply.GetText(huoshan ? "data.cover[0]" : "data.cover");
  window.set_picture(held_web_request({.url = cover, .on_progress = keep_painting}));

  // Kuaishou's addresses are used as they come.
  if (!kuaishou) {
    for (net::Text& address : addresses)
      address = without_mp4_marker(address);
  }
  return {.addresses = std::move(addresses), .pause_after_each = shape != AddressShape::single};
}

void save_all(Window& window, const Downloads& downloads, const DownloadSeams& seams) {
  const std::size_t count = downloads.addresses.size();
  std::size_t saved = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t number = i + 1;
    window.show_progress(progress_text(number, count, -1, -1));
    window.process_events();
    const TransferProgress show = [&](std::int64_t received, std::int64_t total) {
      window.show_progress(progress_text(number, count, received, total));
      window.process_events();
    };
    if (!save_video(downloads.addresses[i], seams, show).empty()) ++saved;
    window.process_events();
    if (downloads.pause_after_each) window.wait_ms(kPauseAfterListFileMs);
  }
  window.show_progress({});
  const char* message = saved == 0 ? kNoneSaved : saved == count ? kAllSaved : kSomeFailed;
  window.message_box(message, Buttons::ok);
}

}  // namespace

void download_action(Window& window) {
  const DownloadSeams seams;
  download_action(window, seams);
}

void download_action(Window& window, const DownloadSeams& seams) {
  const TransferProgress keep_painting = [&window](std::int64_t, std::int64_t) { window.process_events(); };
  Click click;
  Downloads downloads;
  switch (resolve_link(click, window, keep_painting)) {
    case Resolved::no_site:
      return;
    case Resolved::video_address: {
      // The link is the video's own address; what follows "?" is not part of it.
      const bool query = net::contains(click.link, "?");
      downloads.addresses = {query ? middle_text(click.link, {}, "?") : click.link};
      break;
    }
    case Resolved::queried:
      downloads = show_reply(window, click, keep_painting);
      break;
  }
  save_all(window, downloads, seams);
}

}  // namespace resolve

#include "resolve/parse_action.h"

#include "net/decode.h"
#include "resolve/exchange.h"
#include "resolve/held_request.h"
#include "resolve/preview.h"
#include "resolve/reply_addresses.h"

namespace resolve {
namespace {

// 你的连接是视频地址，请直接下载
constexpr char kVideoAddressMessage[] =
    "\xC4\xE3\xB5\xC4\xC1\xAC\xBD\xD3\xCA\xC7\xCA\xD3\xC6\xB5\xB5\xD8\xD6\xB7\xA3\xAC\xC7\xEB\xD6\xB1\xBD"
    "\xD3\xCF\xC2\xD4\xD8";

}  // namespace

void parse_action(Window& window) {
  const TransferProgress keep_painting = [&window](std::int64_t, std::int64_t) { window.process_events(); };
  Click click;
  const Resolved resolved = resolve_link(click, window, keep_painting);
  if (resolved == Resolved::video_address) {
    window.message_box(kVideoAddressMessage, Buttons::ok);
    return;
  }
  if (resolved == Resolved::queried) {
    script::JsonDocument& reply = click.document;
    const AddressShape shape = click.rule->address_shape;
    window.set_title(reply.GetText("data.text"));
    fill_address_boxes(window, read_addresses(reply, shape), shape);
    // Huoshan lists several covers; the second one is the one to show.
    const net::Text cover = reply.GetText(shape == AddressShape::list ? "data.cover[1]" : "data.cover");
    window.set_picture(held_web_request({.url = cover, .on_progress = keep_painting}));
  }
  show_preview(window, net::replace_pairs({.text = window.address1(), .find1 = "#mp4"}));
}

}  // namespace resolve

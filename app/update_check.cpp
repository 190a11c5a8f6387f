#include "app/update_check.h"

#include <QDesktopServices>
#include <QUrl>
#include <cstddef>
#include <cstdint>

#include "app/qt_text.h"
#include "net/http_request.h"
#include "resolve/hosts.h"

namespace app {
namespace {

constexpr int kTimeoutMs = 15000;
// A version and an address are a line each; a file far past that is no such file, and is not
// read into memory whole.
constexpr std::size_t kMaxPublisherFile = std::size_t{1} << 20;

// 软件当前版本：2.1\r\n最新版本：
constexpr std::string_view kOfferHead =
    "\xC8\xED\xBC\xFE\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE\xA3\xBA"
    "2.1\r\n"
    "\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE\xA3\xBA";
// \r\n点击确定下载最新版本
constexpr std::string_view kOfferTail =
    "\r\n\xB5\xE3\xBB\xF7\xC8\xB7\xB6\xA8\xCF\xC2\xD4\xD8\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE";

// The body of a publisher file; empty when it could not be fetched or the server refused it.
net::Bytes fetch_publisher_file(std::string_view path, resolve::Window& window) {
  const std::shared_ptr<net::HttpRequest> request = net::HttpRequest::Create();
  if (!request) return {};
  request->SetTimeouts(kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
  const net::Text url = "http://" + net::Text(resolve::hosts::kPublisherHost) + net::Text(path);
  if (!request->Open("GET", url)) return {};
  request->Option(net::kOptionHttp10, 1);
  request->SetRequestHeader("Accept", "*/*");
  net::Bytes body;
  request->SetTransferHooks(
      {.on_progress = [&window](std::int64_t, std::int64_t) { window.process_events(); },
       .body_sink =
           [&body](const std::uint8_t* data, std::size_t size) {
             if (size > kMaxPublisherFile - body.size()) return false;  // gives the request up
             body.insert(body.end(), data, data + size);
             return true;
           }});
  if (!request->Send()) return {};
  const int status = request->Status();
  if (status < 200 || status > 299) return {};
  return body;
}

// What the user's browser is for. Another scheme (a local file, a script, a share) would go
// to whatever handles it, on the word of a file that came over plain HTTP.
bool is_web_address(std::string_view address) {
  return net::find_text(address, "http://", 1, true) == 1 ||
         net::find_text(address, "https://", 1, true) == 1;
}

}  // namespace

void open_in_browser(const net::Text& address) {
  QDesktopServices::openUrl(QUrl(to_qstring(address)));
}

void check_for_update(resolve::Window& window) {
  check_for_update(window, {});
}

void check_for_update(resolve::Window& window, const UpdateSeams& seams) {
  const net::Bytes latest = fetch_publisher_file(kVersionPath, window);
  // Nothing came: offline, or the publisher is away. That is no news of a newer release.
  if (latest.empty()) return;
  if (latest == net::to_bytes(kOwnVersion)) return;

  const net::Text offer = net::Text(kOfferHead) + net::to_text(latest) + net::Text(kOfferTail);
  if (window.message_box(offer, resolve::Buttons::ok_cancel) == resolve::Answer::ok) {
    const net::Text address = net::to_text(fetch_publisher_file(kDownloadAddressPath, window));
    if (is_web_address(address) && seams.open_address) seams.open_address(address);
  }
  window.request_close();
}

}  // namespace app

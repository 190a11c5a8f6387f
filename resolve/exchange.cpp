#include "resolve/exchange.h"

#include "net/decode.h"
#include "resolve/held_request.h"
#include "resolve/hosts.h"
#include "resolve/signing.h"

namespace resolve {
namespace {

net::Text http_address(std::string_view host, std::string_view path) {
  return "http://" + net::Text(host) + net::Text(path);
}

}  // namespace

net::Text service_header_block() {
  return "Accept: application/json, text/javascript, */*; q=0.01\r\n"
         "Accept-Encoding: gzip, deflate\r\n"
         "Accept-Language: zh-CN,zh;q=0.9\r\n"
         "Connection: keep-alive\r\n"
         "Content-Length: 245\r\n"
         "Content-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
         "Host: " +
         net::Text(hosts::kApiHost) +
         "\r\n"
         "Origin: http://" +
         net::Text(hosts::kFrontEndHost) +
         "\r\n"
         "User-Agent: Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
         "Chrome/66.0.3359.181 Safari/537.36";
}

net::Text fetch_service_cookies(const TransferProgress& progress) {
  net::Text cookies;
  // The page itself is not used, but it comes whole before its cookies count.
  held_web_request({.url = http_address(hosts::kFrontEndHost, "/"),
                    .out_cookies = &cookies,
                    .no_redirect = true,
                    .on_progress = progress});
  return cookies;
}

void query_parse_service(const SiteRule& rule, const net::Text& body, net::Text& cookies,
                         script::JsonDocument& document, const TransferProgress& progress) {
  net::Text headers = service_header_block();
  const net::Bytes reply = held_web_request({.url = http_address(hosts::kApiHost, rule.service_path),
                                             .method = 1,
                                             .body = body,
                                             .cookies = &cookies,
                                             .headers = &headers,
                                             .no_redirect = true,
                                             .on_progress = progress});
  net::Bytes json = net::gzip_decode(reply);
  // A service that answers uncompressed is still answering.
  if (json.empty()) json = reply;
  document.Parse(net::utf8_to_gbk(json));
}

bool is_video_address(const SiteRule& rule, std::string_view link) {
  return rule.site == "Xiaoying" && net::contains(link, ".mp4");
}

Resolved resolve_link(Click& click, Window& window, const TransferProgress& progress) {
  click.cookies = fetch_service_cookies(progress);
  click.r = make_nonce(click.nonce_host);
  click.link = window.url_text();
  click.s = make_signature(click.signature_host, click.link, click.r);
  click.rule = classify_link(click.link);
  if (!click.rule) return Resolved::no_site;
  if (is_video_address(*click.rule, click.link)) return Resolved::video_address;
  query_parse_service(*click.rule, build_form_body(click.link, click.r, click.s), click.cookies,
                      click.document, progress);
  return Resolved::queried;
}

}  // namespace resolve

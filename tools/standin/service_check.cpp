#include "tools/standin/service_check.h"

#include <string>

#include "net/codepage.h"
#include "net/text.h"
#include "resolve/hosts.h"
#include "tools/standin/gzip.h"

namespace standin {
namespace {

// HTTP allows spaces and tabs around a value; nothing else is trimmed.
std::string trim_blanks(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return std::string(text);
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && net::find_text(a, b, 1, true) == 1;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Values of every line named `name`, in the order received.
std::vector<std::string> values_named(const std::vector<std::string>& lines, std::string_view name) {
  std::vector<std::string> values;
  for (const auto& line : lines) {
    auto header = parse_header_line(line);
    if (same_name(header.name, name)) values.push_back(header.value);
  }
  return values;
}

void check_headers(const std::vector<std::string>& lines, ServiceVerdict& verdict) {
  verdict.headers_ok = true;
  for (const auto& expected : expected_service_headers()) {
    auto values = values_named(lines, expected.name);
    if (values.size() == 1 && values.front() == expected.value) continue;
    verdict.headers_ok = false;
    std::string got = values.empty() ? std::string("missing") : "\"" + values.front() + "\"";
    if (values.size() > 1) got += " (sent " + std::to_string(values.size()) + " times)";
    verdict.complaints.push_back(std::string(expected.name) + ": expected \"" + expected.value + "\", got " +
                                 got);
  }
}

void check_content_length(const ServiceRequest& request, ServiceVerdict& verdict) {
  auto values = values_named(*request.header_lines, "Content-Length");
  std::string real = std::to_string(request.body.size());
  verdict.content_length_ok = values.size() == 1 && values.front() == real && request.unread_after_body == 0;
  if (verdict.content_length_ok) return;
  std::string announced = values.empty() ? std::string("none") : values.front();
  verdict.complaints.push_back("Content-Length: announced " + announced + ", body holds " + real + " bytes" +
                               (request.unread_after_body
                                    ? " and " + std::to_string(request.unread_after_body) + " more followed"
                                    : std::string()));
}

void check_cookies(const ServiceRequest& request, ServiceVerdict& verdict) {
  std::vector<std::string> sent;
  for (const auto& value : values_named(*request.header_lines, "Cookie")) {
    for (const auto& item : net::split(value, ";"))
      sent.push_back(trim_blanks(item));
  }
  verdict.cookies_ok = true;
  for (const auto& wanted : *request.required_cookies) {
    bool found = false;
    for (const auto& item : sent)
      found = found || item == wanted;
    if (found) continue;
    verdict.cookies_ok = false;
    verdict.complaints.push_back("Cookie: " + wanted + " not sent");
  }
}

void check_signature(std::string_view body, ServiceVerdict& verdict) {
  auto link = form_field(body, "link");
  auto r = form_field(body, "r");
  auto s = form_field(body, "s");
  verdict.link = link.value_or("");
  verdict.r = r.value_or("");
  verdict.s = s.value_or("");
  if (!link || !r || !s) {
    verdict.complaints.push_back("form: link, r and s must all be present");
    return;
  }
  std::string expected = expected_signature(verdict.link, verdict.r);
  verdict.signature_ok = verdict.s == expected;
  if (!verdict.signature_ok) {
    verdict.complaints.push_back("signature: expected s=" + expected + ", got s=\"" + verdict.s + "\"");
  }
}

}  // namespace

HeaderLine parse_header_line(std::string_view line) {
  auto colon = line.find(':');
  if (colon == std::string_view::npos) return {.name = trim_blanks(line), .value = {}};
  return {.name = trim_blanks(line.substr(0, colon)), .value = trim_blanks(line.substr(colon + 1))};
}

std::string form_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out.push_back(' ');
    } else if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
               hex_value(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::optional<std::string> form_field(std::string_view body, std::string_view name) {
  for (const auto& field : net::split(body, "&")) {
    auto eq = field.find('=');
    std::string_view key = std::string_view(field).substr(0, eq);
    if (form_decode(key) != name) continue;
    return eq == std::string::npos ? std::string() : form_decode(std::string_view(field).substr(eq + 1));
  }
  return std::nullopt;
}

std::string expected_signature(std::string_view link_gbk, std::string_view r) {
  return std::to_string(crc32_of(net::gbk_to_utf8(link_gbk) + "@" + std::string(r)));
}

std::vector<ExpectedHeader> expected_service_headers() {
  return {
      {"Accept", "application/json, text/javascript, */*; q=0.01"},
      {"Accept-Encoding", "gzip, deflate"},
      {"Accept-Language", "zh-CN,zh;q=0.9"},
      {"Content-Type", "application/x-www-form-urlencoded; charset=UTF-8"},
      {"Host", std::string(resolve::hosts::kApiHost)},
      {"Origin", "http://" + std::string(resolve::hosts::kFrontEndHost)},
      {"User-Agent",
       "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
       "Chrome/66.0.3359.181 Safari/537.36"},
  };
}

ServiceVerdict check_service_request(const ServiceRequest& request) {
  ServiceVerdict verdict;
  check_signature(request.body, verdict);
  check_cookies(request, verdict);
  check_headers(*request.header_lines, verdict);
  check_content_length(request, verdict);
  return verdict;
}

}  // namespace standin

#include "tools/standin/request_record.h"

#include <algorithm>
#include <cctype>

#include "net/text.h"

namespace standin {
namespace {

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// "host:port" or "[v6]:port" without the port.
std::string host_without_port(std::string_view authority) {
  if (!authority.empty() && authority.front() == '[') {
    auto close = authority.find(']');
    return lower(authority.substr(0, close == std::string_view::npos ? authority.size() : close + 1));
  }
  return lower(authority.substr(0, authority.find(':')));
}

bool has_scheme(std::string_view target) {
  return net::find_text(target, "http://", 1, true) == 1 || net::find_text(target, "https://", 1, true) == 1;
}

// The part after "scheme://authority", or "/" when nothing follows the authority.
std::string_view after_authority(std::string_view url) {
  auto start = url.find("://") + 3;
  auto slash = url.find('/', start);
  return slash == std::string_view::npos ? std::string_view("/") : url.substr(slash);
}

std::string_view authority_of(std::string_view url) {
  auto start = url.find("://") + 3;
  auto end = url.find_first_of("/?#", start);
  return url.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

}  // namespace

RecordedRequest make_record(const Arrival& arrival) {
  RecordedRequest record{.method = std::string(arrival.method),
                         .target = std::string(arrival.target),
                         .version = std::string(arrival.version),
                         .body = std::string(arrival.body)};
  auto lines = net::split(arrival.head, "\r\n");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (!lines[i].empty()) record.header_lines.push_back(lines[i]);
  }
  if (has_scheme(arrival.target)) {
    record.host = host_without_port(authority_of(arrival.target));
    record.path = std::string(has_scheme(arrival.decoded_path) ? after_authority(arrival.decoded_path)
                                                               : arrival.decoded_path);
  } else {
    record.host = host_without_port(record.header("Host"));
    record.path = std::string(arrival.decoded_path);
  }
  return record;
}

std::string RecordedRequest::header(std::string_view name) const {
  for (const auto& line : header_lines) {
    auto parsed = parse_header_line(line);
    if (parsed.name.size() == name.size() && net::find_text(parsed.name, name, 1, true) == 1)
      return parsed.value;
  }
  return {};
}

}  // namespace standin

#pragma once
// What the parse service checks on a POST to one of its site paths before it answers: the
// signed form, the cookies its front-end page handed out, and the browser-like header block.
// Pure functions over what was received, so the checks are testable without a socket.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

// One header line as received: the name and value on either side of the first colon, trimmed
// of spaces and tabs.
struct HeaderLine {
  std::string name{};
  std::string value{};
};
HeaderLine parse_header_line(std::string_view line);

// Percent-decoding as a form body is read: "%XX" becomes the byte, "+" a space; a "%" not
// followed by two hex digits stays as it is.
std::string form_decode(std::string_view text);

// The decoded value of the first `name=` field of an "a=1&b=2" body; none when absent.
std::optional<std::string> form_field(std::string_view body, std::string_view name);

// The signature the service expects: the unsigned decimal CRC-32 of the UTF-8 form of the
// GBK link, followed by "@" and r.
std::string expected_signature(std::string_view link_gbk, std::string_view r);

// The header values the service insists on, exact, each sent once.
struct ExpectedHeader {
  std::string_view name = {};
  std::string value{};
};
std::vector<ExpectedHeader> expected_service_headers();

struct ServiceVerdict {
  bool signature_ok = false;
  bool cookies_ok = false;
  bool headers_ok = false;
  bool content_length_ok = false;
  std::string link{};  // the form's link, percent-decoded: GBK bytes
  std::string r{};
  std::string s{};
  std::vector<std::string> complaints{};  // one line per failed check, for test messages

  bool accepted() const { return signature_ok && cookies_ok && headers_ok && content_length_ok; }
};

struct ServiceRequest {
  const std::vector<std::string>* header_lines = nullptr;  // as received, in order
  std::string_view body = {};
  std::size_t unread_after_body = 0;  // bytes the client sent past the announced length
  // The cookies the front-end page sets, as "name=value"; each must come back unchanged.
  const std::vector<std::string>* required_cookies = nullptr;
};

ServiceVerdict check_service_request(const ServiceRequest& request);

}  // namespace standin

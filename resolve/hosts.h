#pragma once
// The outside hosts the program talks to. The real names are not known to this build, so every
// one lies under the reserved ".example" domain: no user's link reaches a stranger's server, and
// a deployment changes this one place. Tests and the demo route them with http_proxy.

#include <string_view>

namespace resolve::hosts {

// The parse service: the API host serves every site's path; the front-end page hands out cookies.
inline constexpr std::string_view kApiHost = "api.parse-service.example";
inline constexpr std::string_view kFrontEndHost = "www.parse-service.example";

// The publisher: its web server holds the version files; its domain goes into saved file names.
inline constexpr std::string_view kPublisherHost = "www.publisher.example";
inline constexpr std::string_view kPublisherDomain = "publisher.example";

}  // namespace resolve::hosts

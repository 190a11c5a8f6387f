#pragma once
// Turning what arrived into a RecordedRequest: the header lines out of the raw request head,
// and the host and path a request is meant for, whichever form its target takes.

#include <string>
#include <string_view>

#include "tools/standin/standin_server.h"

namespace standin {

struct Arrival {
  std::string_view method = {};
  std::string_view target = {};        // raw, as on the request line
  std::string_view decoded_path = {};  // httplib's percent-decoded path (the whole URL when absolute)
  std::string_view version = {};
  std::string_view head = {};  // request line and header lines, CR LF after each
  std::string_view body = {};
};

RecordedRequest make_record(const Arrival& arrival);

}  // namespace standin

// The request line's HTTP version: 1.1 unless a request asks for 1.0, and only that request.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "net/http_request.h"
#include "tests/support/local_server.h"

namespace net {
namespace {

TEST(HttpVersion, Http10IsForTheOneRequestThatAsksForIt) {
  std::mutex mutex;
  std::vector<std::string> versions;
  testing_support::LocalServer server;
  server.server().Get("/v", [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex);
    versions.push_back(req.version);
    res.set_content("body", "text/plain");
  });
  server.start();

  const auto request = HttpRequest::Create();
  ASSERT_TRUE(request);
  request->SetProxy(1);
  const bool asks[] = {true, false, true};
  for (const bool http10 : asks) {
    ASSERT_TRUE(request->Open("GET", server.url("/v")));
    if (http10) request->Option(kOptionHttp10, 1);
    ASSERT_TRUE(request->Send());
    EXPECT_EQ(to_text(request->ResponseBody()), "body");
  }
  std::lock_guard lock(mutex);
  EXPECT_EQ(versions, (std::vector<std::string>{"HTTP/1.0", "HTTP/1.1", "HTTP/1.0"}));
}

}  // namespace
}  // namespace net

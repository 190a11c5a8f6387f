#include "tests/support/recording_server.h"

#include <utility>

namespace testing_support {

std::string SeenRequest::header(const std::string& name) const {
  const auto it = headers.find(name);
  return it == headers.end() ? std::string() : it->second;
}

std::size_t SeenRequest::header_count(const std::string& name) const {
  return headers.count(name);
}

RecordingServer::RecordingServer(Reply reply) : reply_(std::move(reply)) {
  auto handle = [this](const httplib::Request& request, httplib::Response& response) {
    record(request);
    if (reply_) {
      reply_(request, response);
    } else {
      response.set_content("ok", "text/plain");
    }
  };
  auto& s = server_.server();
  s.Get(".*", handle);
  s.Post(".*", handle);
  s.Put(".*", handle);
  s.Delete(".*", handle);
  s.Options(".*", handle);
  s.Patch(".*", handle);
  // The server has no routes for these two methods; they carry no body here.
  s.set_pre_routing_handler([handle](const httplib::Request& request, httplib::Response& response) {
    if (request.method != "TRACE" && request.method != "CONNECT")
      return httplib::Server::HandlerResponse::Unhandled;
    handle(request, response);
    return httplib::Server::HandlerResponse::Handled;
  });
}

void RecordingServer::record(const httplib::Request& request) {
  SeenRequest seen{.method = request.method,
                   .target = request.target,
                   .path = request.path,
                   .headers = request.headers,
                   .body = request.body};
  std::lock_guard lock(mutex_);
  seen_.push_back(std::move(seen));
}

std::vector<SeenRequest> RecordingServer::requests() const {
  std::lock_guard lock(mutex_);
  return seen_;
}

SeenRequest RecordingServer::last() const {
  std::lock_guard lock(mutex_);
  return seen_.empty() ? SeenRequest{} : seen_.back();
}

}  // namespace testing_support

// The script work of one click on "解析": two script hosts and one document created, r and s
// made, a 4 KB reply parsed and read by path, everything destroyed. Prints the median and the
// spread of many rounds, whole and by phase.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "net/text.h"
#include "resolve/signing.h"
#include "resolve/site_table.h"
#include "script/json_document.h"
#include "script/script_host.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWarmUp = 50;
constexpr int kRounds = 2000;

constexpr std::string_view kLink =
    "https://www.iesdouyin.com/share/video/7012345678901234567/?region=CN&mid=7012345678901234568"
    "&u_code=0&titleType=title&utm_source=copy_link&utm_campaign=client_share&utm_medium=android"
    "&app=aweme&iid=1234567890&timestamp=1633000000";

// A reply of the parse service's shape, padded with the kind of fields such replies carry.
net::Text make_reply(std::size_t size) {
  // 视频标题 in GBK: the title is Chinese, as most are.
  net::Text reply =
      "{\"code\":200,\"msg\":\"\xB3\xC9\xB9\xA6\",\"data\":{\"text\":\"\xCA\xD3\xC6\xB5\xB1\xEA\xCC\xE2 #1\","
      "\"cover\":\"https://p3.cdn.example/obj/tos-cn-p-0015/5d1e0f2a3b4c4d5e8f9a0b1c2d3e4f50~tplv-dmt-"
      "logom:tos-cn-i-0813/0a1b2c3d4e5f.image\",\"video\":\"https://aweme.cdn.example/aweme/v1/play/"
      "?video_id=v0200fg10000c5abcdefghijklmno1p2&ratio=720p&line=0\",\"tags\":[";
  for (int i = 0; reply.size() + 3 < size; ++i) {
    reply += (i == 0 ? "" : ",");
    reply += "{\"id\":" + std::to_string(7000000 + i) + ",\"name\":\"\xB1\xEA\xC7\xA9" + std::to_string(i) +
             "\",\"weight\":" + std::to_string(i % 17) + ".25}";
  }
  reply += "]}}";
  return reply;
}

struct Phases {
  double hosts = 0;     // two ScriptHost objects created
  double signing = 0;   // r and s made
  double document = 0;  // JsonDocument created
  double parse = 0;     // the reply parsed
  double reads = 0;     // title, cover and addresses read by path
  double release = 0;   // everything destroyed
  double total = 0;
};

double micros(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::micro>(to - from).count();
}

Phases one_click(const net::Text& reply, std::size_t& sink) {
  Phases p;
  const auto t0 = Clock::now();
  auto first = std::make_optional<script::ScriptHost>();
  auto second = std::make_optional<script::ScriptHost>();
  const auto t1 = Clock::now();
  const net::Text r = resolve::make_nonce(*first);
  const net::Text s = resolve::make_signature(*second, kLink, r);
  const auto t2 = Clock::now();
  auto doc = std::make_optional<script::JsonDocument>();
  const auto t3 = Clock::now();
  const bool parsed = doc->Parse(reply);
  const auto t4 = Clock::now();
  const net::Text title = doc->GetText("data.text");
  const net::Text cover = doc->GetText("data.cover");
  const net::Text video = doc->GetText("data.video");
  const int tags = doc->GetCount("data.tags");
  const net::Text last_tag = doc->GetText("data.tags[" + std::to_string(tags - 1) + "].name");
  const auto t5 = Clock::now();
  doc.reset();
  second.reset();
  first.reset();
  const auto t6 = Clock::now();

  sink += r.size() + s.size() + parsed + title.size() + cover.size() + video.size() + last_tag.size();
  p.hosts = micros(t0, t1);
  p.signing = micros(t1, t2);
  p.document = micros(t2, t3);
  p.parse = micros(t3, t4);
  p.reads = micros(t4, t5);
  p.release = micros(t5, t6);
  p.total = micros(t0, t6);
  return p;
}

double percentile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
  return values[at];
}

void report(const char* name, const std::vector<Phases>& runs, double Phases::*field) {
  std::vector<double> values;
  values.reserve(runs.size());
  for (const Phases& p : runs) {
    values.push_back(p.*field);
  }
  std::printf("%-22s median %8.1f us   p10 %8.1f   p90 %8.1f   min %8.1f   max %8.1f\n", name,
              percentile(values, 0.5), percentile(values, 0.1), percentile(values, 0.9),
              percentile(values, 0.0), percentile(values, 1.0));
}

}  // namespace

int main() {
  const net::Text reply = make_reply(4096);
  std::size_t sink = 0;

  // Check once that the work is real before timing it.
  {
    script::JsonDocument doc;
    if (!doc.Parse(reply) || doc.GetText("data.video").empty() || resolve::classify_link(kLink) == nullptr) {
      std::fprintf(stderr, "the sample reply does not load\n");
      return 1;
    }
  }

  for (int i = 0; i < kWarmUp; ++i) {
    one_click(reply, sink);
  }
  std::vector<Phases> runs;
  runs.reserve(kRounds);
  for (int i = 0; i < kRounds; ++i) {
    runs.push_back(one_click(reply, sink));
  }

  std::printf("script work of one click: %d rounds, reply of %zu bytes (checksum %zu)\n", kRounds,
              reply.size(), sink % 1000);
  report("whole click", runs, &Phases::total);
  report("two hosts created", runs, &Phases::hosts);
  report("r and s made", runs, &Phases::signing);
  report("document created", runs, &Phases::document);
  report("reply parsed", runs, &Phases::parse);
  report("five reads by path", runs, &Phases::reads);
  report("all destroyed", runs, &Phases::release);
  return 0;
}

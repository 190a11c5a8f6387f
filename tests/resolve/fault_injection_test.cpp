// The network failing on each road of a click (front-end page, service POST, cover, video):
// the window shows what a failed request leaves, the end message tells the truth, and no file
// of a video that did not arrive whole is left in the download folder.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "tests/resolve/fault_fixture.h"
#include "tests/support/local_server.h"
#include "tests/support/network_faults.h"
#include "tests/support/proxy_env.h"

namespace resolve {
namespace {

using testing_support::FakeWindow;
using testing_support::FaultTest;
using testing_support::kDouyin;
using testing_support::Picture;
using testing_support::Road;
using testing_support::Shown;
using testing_support::Site;
using namespace std::chrono_literals;

// The whole route gone: every request of the click fails before it reaches a server.
TEST_F(FaultTest, AClickWithoutANetworkShowsAndSavesNothing) {
  struct Case {
    const char* what_it_proves;
    std::string proxy;  // where the program's host names are routed
  };
  const Case cases[] = {
      {"connection refused", "http://127.0.0.1:" + std::to_string(testing_support::closed_port())},
      {"a name that does not resolve", "http://" + testing_support::unresolvable_host() + ":3128"},
  };
  for (const auto& c : cases) {
    testing_support::ProxyEnv route(c.proxy);
    reset();
    window.box2 = "earlier";
    download(kDouyin);
    expect_download(window, folder, testing_support::unread_reply(), c.what_it_proves);
    EXPECT_EQ(window.box2, "earlier") << c.what_it_proves << ": a single row never touches box 2";

    reset();
    parse(kDouyin);
    expect_parse(testing_support::unread_reply(), c.what_it_proves);
    EXPECT_NE(preview_page().find("flashvars=\"video=\""), std::string::npos)
        << c.what_it_proves << ": the preview of an empty address";
  }
  EXPECT_TRUE(service.requests().empty()) << "nothing reached the stand-in";
}

// Every request of the click is redirected to itself by the proxy. The front-end page and the
// POST take no redirects: each ends at its first reply, and a redirect is no reply. (The cover
// and the video, which follow redirects, meet their loops in the table below.)
TEST_F(FaultTest, ARedirectLoopOnEveryRoadEndsAndSavesNothing) {
  testing_support::RedirectLoop loop;
  testing_support::ProxyEnv route(loop.proxy_url());
  reset();
  download(kDouyin);
  expect_download(window, folder, testing_support::unread_reply(), "redirected everywhere");
  reset();
  parse(kDouyin);
  expect_parse(testing_support::unread_reply(), "redirected everywhere");
}

// One road fails at a time, quickly: cut short, refused, unresolvable, a redirect loop or one
// into nowhere, statuses of every class. What went before it is shown; what depends on it is
// not.
TEST_F(FaultTest, EachRoadFailingAloneCostsOnlyWhatDependsOnIt) {
  testing_support::ScopedEnv direct("no_proxy", "127.0.0.1,invalid");
  testing_support::RedirectLoop loop;
  const std::string refused = "http://127.0.0.1:" + std::to_string(testing_support::closed_port());
  testing_support::LocalServer into_nowhere;
  into_nowhere.server().Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
    res.status = 302;
    res.set_header("Location", refused + req.path);
  });
  into_nowhere.start();
  const std::string nowhere = "http://" + testing_support::unresolvable_host();

  const Site& site = kDouyin;
  struct Case {
    const char* what_it_proves;
    Road road;
    std::optional<standin::Fault> fault{};
    std::optional<std::string> cover{};  // an address in place of the stand-in's
    std::optional<std::string> video{};
    Shown shown{};
  };
  const auto unread = testing_support::unread_reply();
  const auto no_cover = testing_support::without_cover(site);
  const auto error_page_as_cover = testing_support::without_cover(site, Picture::not_cover);
  const auto no_video = testing_support::without_video(site);
  const auto with_video = [&](const std::string& address) {
    Shown shown = no_video;
    shown.box1 = address;
    return shown;
  };
  const Case cases[] = {
      // Without the page's cookies the service refuses the POST.
      {"front-end page cut short", Road::front_end, standin::Fault{.cut_after = 10}, {}, {}, unread},
      {"front-end page redirects", Road::front_end, standin::Fault{.status = 302}, {}, {}, unread},
      {"front-end page 404", Road::front_end, standin::Fault{.status = 404}, {}, {}, unread},
      {"front-end page 503", Road::front_end, standin::Fault{.status = 503}, {}, {}, unread},
      {"service reply cut short", Road::service, standin::Fault{.cut_after = 20}, {}, {}, unread},
      {"service redirects", Road::service, standin::Fault{.status = 302}, {}, {}, unread},
      {"service 403", Road::service, standin::Fault{.status = 403}, {}, {}, unread},
      {"service 500", Road::service, standin::Fault{.status = 500}, {}, {}, unread},
      {"cover refused", Road::cover, {}, refused + "/c.png", {}, no_cover},
      {"cover host does not resolve", Road::cover, {}, nowhere + "/c.png", {}, no_cover},
      {"cover cut short", Road::cover, standin::Fault{.cut_after = 10}, {}, {}, no_cover},
      {"cover redirects in a loop", Road::cover, {}, loop.url("/c.png"), {}, no_cover},
      {"cover redirects into a refused port", Road::cover, {}, into_nowhere.url("/c.png"), {}, no_cover},
      // The picture box gets the error page's bytes and shows no picture.
      {"cover 404", Road::cover, standin::Fault{.status = 404}, {}, {}, error_page_as_cover},
      {"cover 502", Road::cover, standin::Fault{.status = 502}, {}, {}, error_page_as_cover},
      {"video refused", Road::video, {}, {}, refused + "/v.mp4", with_video(refused + "/v.mp4")},
      {"video host does not resolve",
       Road::video,
       {},
       {},
       nowhere + "/v.mp4",
       with_video(nowhere + "/v.mp4")},
      {"video redirects in a loop", Road::video, {}, {}, loop.url("/v.mp4"), with_video(loop.url("/v.mp4"))},
      {"video redirects into a refused port",
       Road::video,
       {},
       {},
       into_nowhere.url("/v.mp4"),
       with_video(into_nowhere.url("/v.mp4"))},
      {"video 301 without a place to go", Road::video, standin::Fault{.status = 301}, {}, {}, no_video},
      {"video 204: no content", Road::video, standin::Fault{.status = 204}, {}, {}, no_video},
  };
  for (const auto& c : cases) {
    const auto arrange = [&] {
      reset();
      if (c.fault) service.set_fault(testing_support::fault_place(c.road, site), *c.fault);
      if (c.cover || c.video) {
        service.set_reply(site.service_path(), {.title = site.title_utf8(),
                                                .videos = {c.video.value_or(site.video_url())},
                                                .covers = {c.cover.value_or(site.cover_url())}});
      }
    };
    arrange();
    download(site);
    expect_download(window, folder, c.shown, std::string(c.what_it_proves) + " (download)");
    if (c.road == Road::video) continue;  // the parse never fetches the video
    arrange();
    parse(site);
    expect_parse(c.shown, std::string(c.what_it_proves) + " (parse)");
  }
}

// A server that takes the request and then says nothing more, before the reply or in the middle
// of its body. Each road has only the 15-second no-progress bound, so the clicks run side by
// side, each on its own site, window and folder; the two front-end rows share the page and get
// their fault one after the other, each for its own request only.
TEST_F(FaultTest, SilentAndStalledServersAreGivenUpOnEveryRoad) {
  const standin::Fault silent{.stall = true};
  // The first piece goes out, then nothing for longer than any bound.
  const auto stalls_after = [](std::size_t bytes) {
    return standin::Fault{.trickle_bytes = bytes, .trickle_pause = std::chrono::minutes(10)};
  };
  struct Case {
    const char* what_it_proves;
    Site site;
    Road road;
    std::string place;  // where the stand-in misbehaves
    standin::Fault fault;
    Shown shown;
  };
  const auto at = [](Road road, const Site& site) { return testing_support::fault_place(road, site); };
  using testing_support::kKuaishou;
  using testing_support::kMeipai;
  using testing_support::kMomo;
  using testing_support::kToutiao;
  using testing_support::kWeishi;
  using testing_support::kXiaoying;
  using testing_support::kYunyinyue;
  // A two-video list whose second video stalls after its first quarter MiB.
  Shown half_saved = testing_support::everything(kToutiao);
  half_saved.message = testing_support::kSomeFailed;
  service.set_video_size(kToutiao.video_path(2), 1 << 20);
  const Case cases[] = {
      {"front-end page silent", kDouyin, Road::front_end, at(Road::front_end, kDouyin), silent,
       testing_support::unread_reply()},
      {"front-end page stalls after its cookies and a few bytes", kMeipai, Road::front_end,
       at(Road::front_end, kMeipai), stalls_after(16), testing_support::unread_reply()},
      {"service silent", kWeishi, Road::service, at(Road::service, kWeishi), silent,
       testing_support::unread_reply()},
      {"service reply stalls midway", kYunyinyue, Road::service, at(Road::service, kYunyinyue),
       stalls_after(40), testing_support::unread_reply()},
      {"cover silent", kMomo, Road::cover, at(Road::cover, kMomo), silent,
       testing_support::without_cover(kMomo)},
      {"cover stalls midway", kKuaishou, Road::cover, at(Road::cover, kKuaishou), stalls_after(16),
       testing_support::without_cover(kKuaishou)},
      {"video silent", kXiaoying, Road::video, at(Road::video, kXiaoying), silent,
       testing_support::without_video(kXiaoying)},
      {"second video of a list stalls after 256 KiB", kToutiao, Road::video, kToutiao.video_path(2),
       stalls_after(256 << 10), half_saved},
  };

  struct Run {
    FakeWindow window{};
    DownloadSeams seams{};
    std::filesystem::path folder{};
    double seconds = 0;
  };
  std::vector<Run> runs(std::size(cases));
  std::vector<std::thread> clicks;
  const auto start = [&](std::size_t i) {
    Run& run = runs[i];
    run.folder = run_dir / ("saved-" + std::to_string(i));
    run.seams = seams;
    run.seams.folder = run.folder.string();
    run.window.url = cases[i].site.link;
    clicks.emplace_back([&run] {
      const auto began = std::chrono::steady_clock::now();
      download_action(run.window, run.seams);
      run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    });
  };
  const auto wait_for_front_requests = [&](std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (front_requests().size() < count && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(5ms);
    ASSERT_EQ(front_requests().size(), count);
  };

  const auto began = std::chrono::steady_clock::now();
  const std::string front_page = at(Road::front_end, kDouyin);
  std::size_t front_rows = 0;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    if (cases[i].road != Road::front_end) {
      service.set_fault(cases[i].place, cases[i].fault);
      continue;
    }
    service.set_fault(front_page, cases[i].fault);
    start(i);
    wait_for_front_requests(++front_rows);
  }
  service.set_fault(front_page, {});
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    if (cases[i].road != Road::front_end) start(i);
  }
  for (auto& click : clicks)
    click.join();
  std::printf("[ figures  ] %zu stalled clicks side by side: %.1f s in all\n", std::size(cases),
              std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    std::printf("[ figures  ] %-55s %.1f s\n", c.what_it_proves, runs[i].seconds);
    // 15 s without a byte ends a request; the rest of the click is quick.
    EXPECT_LT(runs[i].seconds, 60) << c.what_it_proves << ": the time-out holds";
    if (c.site.name == kToutiao.name) {
      EXPECT_EQ(runs[i].window.box2, net::Text(kToutiao.video_url(2))) << c.what_it_proves;
      EXPECT_EQ(runs[i].window.waits, (std::vector<int>{1000, 1000})) << c.what_it_proves;
    }
    expect_download(runs[i].window, runs[i].folder, c.shown, c.what_it_proves);
  }
}

}  // namespace
}  // namespace resolve

// The HTML view's own requests (the preview's video) go through the proxy that http_proxy
// names, as the program's other requests do.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <mutex>
#include <string>
#include <vector>

#include "app/html_view.h"
#include "app/main_window.h"
#include "resolve/preview.h"
#include "tests/app/qt_helpers.h"
#include "tests/app/view_child.h"
#include "tests/support/local_server.h"

namespace testing_support {

int run_view_child(const char* address) {
  QTemporaryDir folder;
  resolve::set_preview_page_path(folder.filePath(QStringLiteral("ZERU_Flash.html")).toStdString());
  app::MainWindow window;
  window.show();
  resolve::show_preview(window, address);
  QWebEngineView* view = window.findChild<app::HtmlView*>()->web_view();
  if (view == nullptr) return 2;
  // 1: played, -1: failed, 0: still waiting.
  int state = 0;
  wait_until(
      [&] {
        view->page()->runJavaScript(
            QStringLiteral("(function () { var v = document.querySelector('video');"
                           " return !v ? 0 : v.error ? -1 : v.currentTime > 0 ? 1 : 0; })()"),
            [&](const QVariant& value) { state = value.toInt(); });
        return state != 0;
      },
      30000);
  return state == 1 ? 0 : 1;
}

}  // namespace testing_support

namespace {

TEST(ViewProxy, VideoOfThePreviewIsFetchedThroughHttpProxy) {
  testing_support::LocalServer proxy;
  std::mutex lock;
  std::vector<std::string> asked;
  // A proxy is asked with the whole address as the request target.
  proxy.server().Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
    std::lock_guard<std::mutex> hold(lock);
    asked.push_back(request.target);
    response.status = 404;
  });
  proxy.start();

  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QString::fromLatin1(testing_support::kViewChildVariable),
                     QStringLiteral("http://video.example/clip.mp4?a=1&b=2"));
  environment.insert(QStringLiteral("http_proxy"), QString::fromStdString(proxy.url("")));
  environment.remove(QStringLiteral("no_proxy"));
  environment.remove(QStringLiteral("NO_PROXY"));
  child.setProcessEnvironment(environment);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(), {});
  ASSERT_TRUE(child.waitForFinished(90000));

  std::lock_guard<std::mutex> hold(lock);
  ASSERT_FALSE(asked.empty()) << "the view did not ask the proxy";
  EXPECT_EQ(asked.front(), "http://video.example/clip.mp4?a=1&b=2");
}

}  // namespace

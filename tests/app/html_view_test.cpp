// The preview in the real HTML view: the written page's Flash embed becomes an HTML5 video that
// plays the address from a local HTTP server.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <atomic>
#include <fstream>
#include <iterator>
#include <string>

#include "app/html_view.h"
#include "app/main_window.h"
#include "resolve/preview.h"
#include "tests/app/qt_helpers.h"
#include "tests/support/local_server.h"

namespace {

// Evaluates `script` in the view's page and waits for its value.
QVariant evaluate(QWebEngineView* view, const QString& script) {
  QVariant result;
  bool done = false;
  view->page()->runJavaScript(script, [&](const QVariant& value) {
    result = value;
    done = true;
  });
  testing_support::wait_until([&] { return done; }, 30000);
  return result;
}

// A page made for `address` in a fresh folder, shown in a shown window.
class PreviewInView : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    resolve::set_preview_page_path(folder_.filePath(QStringLiteral("ZERU_Flash.html")).toStdString());
    window_.show();
  }

  QWebEngineView* show(const std::string& address) {
    resolve::show_preview(window_, address);
    auto* view = window_.findChild<app::HtmlView*>()->web_view();
    if (view == nullptr) return nullptr;
    bool loaded = false;
    QMetaObject::Connection once =
        QObject::connect(view, &QWebEngineView::loadFinished, [&loaded] { loaded = true; });
    testing_support::wait_until([&] { return loaded; }, 30000);
    QObject::disconnect(once);
    // Ready once the script has replaced the embed.
    testing_support::wait_until(
        [&] {
          return evaluate(view, QStringLiteral("document.getElementsByTagName('video').length")).toInt() > 0;
        },
        30000);
    return view;
  }

  QTemporaryDir folder_;
  app::MainWindow window_;
};

TEST_F(PreviewInView, VideoFromTheFlashVariablePlays) {
  if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty()) GTEST_SKIP() << "no ffmpeg here";
  // Four seconds of H.264 picture and AAC sound, the streams the services hand out.
  const QString clip = folder_.filePath(QStringLiteral("clip.mp4"));
  const int status =
      QProcess::execute(QStringLiteral("ffmpeg"), {"-v",        "error",
                                                   "-f",        "lavfi",
                                                   "-i",        "testsrc=size=160x120:rate=25",
                                                   "-f",        "lavfi",
                                                   "-i",        "sine=frequency=440:sample_rate=44100",
                                                   "-t",        "4",
                                                   "-c:v",      "libx264",
                                                   "-pix_fmt",  "yuv420p",
                                                   "-c:a",      "aac",
                                                   "-movflags", "+faststart",
                                                   "-y",        clip});
  ASSERT_EQ(status, 0) << "ffmpeg could not make the clip";
  std::ifstream in(clip.toStdString(), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(bytes.empty());

  testing_support::LocalServer server;
  std::atomic<int> served{0};
  // Served only at the address as it was before the page encoded its "&".
  server.server().Get("/clip.mp4", [&](const httplib::Request& request, httplib::Response& response) {
    if (request.get_param_value("a") != "1" || request.get_param_value("b") != "x") {
      response.status = 404;
      return;
    }
    ++served;
    response.set_content(bytes, "video/mp4");
  });
  server.start();

  const std::string address = server.url("/clip.mp4?a=1&b=x");
  QWebEngineView* view = show(address);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementsByTagName('embed').length")).toInt(), 0);
  EXPECT_EQ(evaluate(view, QStringLiteral("document.querySelector('video').src")).toString(),
            QString::fromStdString(address));
  EXPECT_EQ(
      evaluate(view, QStringLiteral("document.querySelector('video').getAttribute('width')")).toString(),
      QStringLiteral("430"));
  EXPECT_EQ(
      evaluate(view, QStringLiteral("document.querySelector('video').getAttribute('height')")).toString(),
      QStringLiteral("597"));

  double played = 0;
  const bool advanced = testing_support::wait_until(
      [&] {
        played = evaluate(view, QStringLiteral("document.querySelector('video').currentTime")).toDouble();
        return played > 0.5;
      },
      60000);
  EXPECT_TRUE(advanced) << "currentTime stayed at " << played;
  EXPECT_GT(served.load(), 0);
}

TEST_F(PreviewInView, CraftedAddressStaysInsideTheVideoSource) {
  const std::string address = "http://127.0.0.1:9/v.mp4?x=\"><img src=q onerror=\"document.title='taken'\">";
  QWebEngineView* view = show(address);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementsByTagName('img').length")).toInt(), 0);
  EXPECT_NE(evaluate(view, QStringLiteral("document.title")).toString(), QStringLiteral("taken"));
  // The address reaches the player whole; the browser itself escapes what a URL cannot hold.
  EXPECT_EQ(evaluate(view, QStringLiteral("decodeURI(document.querySelector('video').src)")).toString(),
            QString::fromStdString(address));
}

TEST_F(PreviewInView, EachPreviewReplacesTheLastInTheSameView) {
  QWebEngineView* first = show("http://127.0.0.1:9/first.mp4");
  ASSERT_NE(first, nullptr);
  QWebEngineView* second = show("http://127.0.0.1:9/second.mp4");
  EXPECT_EQ(first, second);
  EXPECT_EQ(evaluate(second, QStringLiteral("document.querySelectorAll('video').length")).toInt(), 1);
  EXPECT_EQ(evaluate(second, QStringLiteral("document.querySelector('video').src")).toString(),
            QStringLiteral("http://127.0.0.1:9/second.mp4"));
  EXPECT_EQ(second->geometry(), QRect(0, 0, 480, 632));
}

}  // namespace

#include "app/html_view.h"

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace app {

// The page percent-encodes the characters that could break its attribute ("&", '"', '<', '>');
// only those are decoded, so the address's own escapes reach the server as they were.
const char* const kFlashToVideoScript = R"js(
(function () {
  function undoPageEscapes(text) {
    return text.replace(/%(26|22|3C|3E)/gi, function (escape) {
      return decodeURIComponent(escape);
    });
  }
  var embeds = Array.prototype.slice.call(document.getElementsByTagName('embed'));
  embeds.forEach(function (embed) {
    var found = /(?:^|&)video=([^&]*)/.exec(embed.getAttribute('flashvars') || '');
    if (!found) return;
    var video = document.createElement('video');
    video.controls = true;
    video.autoplay = true;
    ['width', 'height'].forEach(function (name) {
      var value = embed.getAttribute(name);
      if (value !== null) video.setAttribute(name, value);
    });
    video.src = undoPageEscapes(found[1]);
    embed.parentNode.replaceChild(video, embed);
  });
})();
)js";

HtmlView::HtmlView(QWidget* parent) : QWidget(parent) {}

void HtmlView::navigate(const QUrl& url) {
  if (view_ == nullptr) {
    view_ = new QWebEngineView(this);
    view_->setGeometry(rect());
    QWebEngineSettings* settings = view_->page()->settings();
    // The page is a local file that plays a remote video by itself.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    // The page is written in the program's code page and says nothing of it.
    settings->setDefaultTextEncoding(QStringLiteral("GBK"));

    QWebEngineScript script;
    script.setName(QStringLiteral("flash-to-video"));
    script.setSourceCode(QString::fromUtf8(kFlashToVideoScript));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    view_->page()->scripts().insert(script);
    view_->show();
  }
  view_->load(url);
}

void HtmlView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (view_ != nullptr) view_->setGeometry(rect());
}

}  // namespace app

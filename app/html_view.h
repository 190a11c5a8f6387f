#pragma once
// The HTML view: a web view that comes into being on its first navigation, so the window opens
// without waiting for the web engine. Until then the bare widget stands in its place and size.
//
// Pages written for the Flash player play in it: every Flash `embed` that passes a "video="
// variable is replaced, once the document is ready, by an HTML5 video of the embed's size.

#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace app {

class HtmlView : public QWidget {
  Q_OBJECT
 public:
  explicit HtmlView(QWidget* parent = nullptr);

  void navigate(const QUrl& url);

  // The web view once a navigation made it, else nullptr.
  QWebEngineView* web_view() const { return view_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWebEngineView* view_ = nullptr;
};

// The script that stands in for the Flash player in every page the view shows.
extern const char* const kFlashToVideoScript;

}  // namespace app

#pragma once
// The one place where the program's GBK texts become Qt strings and back.

#include <QString>
#include <string_view>

#include "net/codepage.h"
#include "net/text.h"

namespace app {

inline QString to_qstring(std::string_view gbk) {
  return QString::fromStdString(net::gbk_to_utf8(gbk));
}

inline net::Text to_text(const QString& text) {
  return net::utf8_to_gbk_text(text.toStdString());
}

}  // namespace app

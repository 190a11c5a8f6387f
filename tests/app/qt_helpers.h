#pragma once
// Waiting in tests of the window while its events run, and Qt strings in test messages.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <functional>
#include <ostream>

// gtest finds this by the argument's namespace (QString's is the global one).
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace testing_support {

// Runs events until `done` holds or `timeout_ms` passes; tells whether `done` held.
inline bool wait_until(const std::function<bool()>& done, int timeout_ms) {
  QDeadlineTimer deadline(timeout_ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

}  // namespace testing_support

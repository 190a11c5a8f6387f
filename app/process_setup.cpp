#include "app/process_setup.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QNetworkProxyFactory>
#include <QtGlobal>

namespace app {

void prepare_process() {
  if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  }
  // The web engine shares its GL context with the widgets; it must be asked for up front.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QNetworkProxyFactory::setUseSystemConfiguration(true);
}

}  // namespace app

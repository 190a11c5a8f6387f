#include "app/picture_box.h"

#include <QPainter>

namespace app {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {}

void PictureBox::set_image_bytes(const QByteArray& bytes) {
  // fromData guesses the format from the bytes, so the caller need not know what came back.
  image_ = bytes.isEmpty() ? QImage() : QImage::fromData(bytes);
  update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (image_.isNull()) return;
  const QRect area = contentsRect();
  const QSize size = image_.size().scaled(area.size(), Qt::KeepAspectRatio);
  const QRect target(area.x() + (area.width() - size.width()) / 2,
                     area.y() + (area.height() - size.height()) / 2, size.width(), size.height());
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image_);
}

}  // namespace app

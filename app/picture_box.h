#pragma once
// The picture box: shows an image given as the bytes of an image file (JPEG, PNG, GIF, WebP),
// scaled to fit the box with its aspect kept and centred in it.

#include <QByteArray>
#include <QFrame>
#include <QImage>

namespace app {

class PictureBox : public QFrame {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // Empty or undecodable bytes leave the box without a picture.
  void set_image_bytes(const QByteArray& bytes);
  const QImage& image() const { return image_; }  // null when there is no picture

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

}  // namespace app

// Cover pictures: image file bytes shown scaled to fit the picture box with their aspect kept.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>

#include "app/main_window.h"
#include "app/picture_box.h"

namespace {

net::Bytes encode(const QImage& image, const char* format) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format)) return {};
  return net::Bytes(data.begin(), data.end());
}

bool near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
         std::abs(a.blue() - b.blue()) < 40;
}

// Qt writes no GIF, so this one is spelled out: 1 x 1, one red pixel.
const net::Bytes kRedGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                            0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                            0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};

struct CoverCase {
  const char* proves;
  const char* format;  // written by Qt; nullptr for kRedGif
  QSize size;
  QColor colour;
  QPoint inside;   // a point of the box the scaled picture covers
  QPoint outside;  // a point it leaves free, since its aspect is kept
};

TEST(Picture, CoversOfEachFormatAreScaledToFitKeepingAspect) {
  // The box is 230 x 224.
  const CoverCase cases[] = {
      {"a wide JPEG is shrunk to the width and centred vertically",
       "JPEG",
       {920, 448},
       Qt::red,
       {115, 112},
       {115, 20}},
      {"a tall WebP is shrunk to the height and centred horizontally",
       "WEBP",
       {100, 300},
       Qt::blue,
       {115, 112},
       {20, 112}},
      {"a small PNG is enlarged to the width", "PNG", {46, 20}, Qt::green, {10, 70}, {115, 10}},
      {"a GIF is enlarged to the height", nullptr, {1, 1}, Qt::red, {115, 112}, {1, 112}},
  };
  for (const CoverCase& row : cases) {
    net::Bytes bytes = kRedGif;
    if (row.format != nullptr) {
      ASSERT_TRUE(QImageWriter::supportedImageFormats().contains(QByteArray(row.format).toLower()))
          << row.format << " cannot be written here";
      QImage image(row.size, QImage::Format_RGB32);
      image.fill(row.colour);
      bytes = encode(image, row.format);
    }
    ASSERT_FALSE(bytes.empty()) << row.proves;

    app::MainWindow window;
    window.set_picture(bytes);
    auto* box = window.findChild<app::PictureBox*>();
    ASSERT_FALSE(box->image().isNull()) << row.proves;
    EXPECT_EQ(box->image().size(), row.size) << row.proves;

    const QImage shown = box->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(230, 224));
    EXPECT_TRUE(near(shown.pixelColor(row.inside), row.colour)) << row.proves;
    EXPECT_FALSE(near(shown.pixelColor(row.outside), row.colour)) << row.proves;
  }
}

TEST(Picture, EmptyOrUndecodableBytesLeaveNoPicture) {
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(Qt::red);
  const net::Bytes good = encode(image, "PNG");
  struct Case {
    const char* proves;
    net::Bytes bytes;
  };
  const Case cases[] = {
      {"empty bytes (a failed fetch)", {}},
      {"an HTML error page", net::to_bytes("<html><body>404</body></html>")},
      {"a PNG cut after its signature", net::Bytes(good.begin(), good.begin() + 8)},
  };
  for (const Case& row : cases) {
    app::MainWindow window;
    window.set_picture(good);
    ASSERT_FALSE(window.findChild<app::PictureBox*>()->image().isNull());
    window.set_picture(row.bytes);
    auto* box = window.findChild<app::PictureBox*>();
    EXPECT_TRUE(box->image().isNull()) << row.proves;
    EXPECT_FALSE(near(box->grab().toImage().pixelColor(20, 20), Qt::red)) << row.proves;
  }
}

}  // namespace

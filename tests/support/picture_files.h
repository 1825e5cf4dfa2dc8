#pragma once

// Pictures and PDFs for the window's picture and print tests: a JPEG made
// on the spot, a file's bytes, and the output of a poppler tool.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStringList>

#include <optional>

namespace tessellux::testing {

// A photo-like JPEG (shading with noise) at the given quality.
inline QString MakeJpeg(const QString& path, int width, int height, int quality) {
  QImage picture(width, height, QImage::Format_RGB32);
  quint32 seed = 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245 + 12345;
      const int noise = static_cast<int>(seed >> 27);
      picture.setPixel(x, y, qRgb((x * 255 / width + noise) & 255, (y * 255 / height) ^ noise, (x + y + noise) & 255));
    }
  EXPECT_TRUE(picture.save(path, "JPEG", quality));
  return path;
}

inline QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Standard output of a tool, or nothing when it did not run or failed.
inline std::optional<QByteArray> RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
    return std::nullopt;
  return process.readAllStandardOutput();
}

}  // namespace tessellux::testing

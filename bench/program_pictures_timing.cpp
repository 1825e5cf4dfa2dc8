// Timing of the picture and print paths, with short bounded runs:
//   1. a quality change for a 12-megapixel photograph against libjpeg-turbo's
//      own decode plus encode of the same file, interleaved in one run;
//   2. the symbol view of the largest symbol (22,376 pixels square): the
//      reduced picture, then repaints from it;
//   3. "Print" of that symbol to a PDF file at 600 dpi: time, file size, and
//      a check that the PDF holds the symbol bit for bit (pdfimages).
// Usage: program_pictures_timing [WORK_DIR]

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <variant>
#include <vector>

#include "bench/bench_text.h"
#include "output/print_geometry.h"
#include "output/view_reduction.h"
#include "pictures/jpeg_recompress.h"
#include "symbol/symbol.h"
#include "ui/print/print_pages.h"

namespace {

using namespace tessellux;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A photograph-like picture: smooth shading, edges and sensor noise.
std::vector<unsigned char> Photo(int w, int h) {
  std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
  std::mt19937 random(11);
  std::normal_distribution<double> noise(0.0, 6.0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double sky = 180 + 60 * std::sin(x * 0.0021) * std::cos(y * 0.0017);
      const bool hill = y > h / 2 + 300 * std::sin(x * 0.003);
      unsigned char* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = static_cast<unsigned char>(std::clamp((hill ? 70 : sky * 0.6) + noise(random), 0.0, 255.0));
      p[1] = static_cast<unsigned char>(std::clamp((hill ? 120 + (x * y) % 40 : sky * 0.8) + noise(random), 0.0, 255.0));
      p[2] = static_cast<unsigned char>(std::clamp((hill ? 50 : sky) + noise(random), 0.0, 255.0));
    }
  return rgb;
}

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// libjpeg-turbo alone: read, decode, encode at the quality, write.
void PlainTurboJpeg(const std::string& source, int quality, const std::string& out) {
  const auto jpeg = ReadAll(source);
  tjhandle d = tjInitDecompress();
  int w = 0, h = 0, sub = 0, cs = 0;
  tjDecompressHeader3(d, jpeg.data(), jpeg.size(), &w, &h, &sub, &cs);
  std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
  tjDecompress2(d, jpeg.data(), jpeg.size(), rgb.data(), w, 0, h, TJPF_RGB, 0);
  tjDestroy(d);
  tjhandle c = tjInitCompress();
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  tjCompress2(c, rgb.data(), w, 0, h, TJPF_RGB, &buffer, &size, sub, quality, 0);
  std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(size));
  tjFree(buffer);
  tjDestroy(c);
}

void QualityChange(const QString& dir) {
  const int w = 4000, h = 3000;
  const std::string source = (dir + "/photo-12mp.jpg").toStdString();
  {
    const auto rgb = Photo(w, h);
    tjhandle c = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    tjCompress2(c, rgb.data(), w, 0, h, TJPF_RGB, &buffer, &size, TJSAMP_420, 92, 0);
    std::ofstream(source, std::ios::binary).write(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(size));
    tjFree(buffer);
    tjDestroy(c);
  }
  std::vector<double> plain, ours;
  pictures::RecompressResult result;
  for (int run = 0; run < 7; ++run) {
    QElapsedTimer clock;
    clock.start();
    PlainTurboJpeg(source, 20, (dir + "/plain.jpg").toStdString());
    plain.push_back(clock.nsecsElapsed() / 1e6);
    clock.restart();
    result = pictures::RecompressJpeg(source, 20, (dir + "/Quality.tmp").toStdString());
    ours.push_back(clock.nsecsElapsed() / 1e6);
  }
  std::printf("quality change, %dx%d photograph (%llu bytes) at quality 20 -> %llu bytes, 7 runs interleaved\n", w, h,
              static_cast<unsigned long long>(result.source_size), static_cast<unsigned long long>(result.work_size));
  std::printf("  libjpeg-turbo read+decode+encode+write: median %.1f ms, best %.1f ms\n", Median(plain),
              *std::min_element(plain.begin(), plain.end()));
  std::printf("  RecompressJpeg:                         median %.1f ms, best %.1f ms\n", Median(ours),
              *std::min_element(ours.begin(), ours.end()));
  std::printf("  ratio of medians %.2f, of bests %.2f\n", Median(ours) / Median(plain),
              *std::min_element(ours.begin(), ours.end()) / *std::min_element(plain.begin(), plain.end()));
}

// The largest symbol the Code Generator allows, rendered as the BMP rows are.
QImage LargestSymbol() {
  symbol::SymbolSpec request;
  request.layout = {254, 254, 0, 11, symbol::Style::Lines, 2};
  request.content.text = bench::AlphanumericText(750000);
  auto built = symbol::BuildSymbol(request);
  const auto& sym = std::get<symbol::Symbol>(built);
  QImage image(sym.width(), sym.height(), QImage::Format_Mono);
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  std::vector<std::uint8_t> row(sym.row_bytes());
  for (int y = 0; y < sym.height(); ++y) {
    sym.RenderRow(y, row.data());
    std::copy_n(row.data(), image.bytesPerLine(), image.scanLine(y));
  }
  return image;
}

void SymbolView(const QImage& symbol) {
  const output::OneBitPicture bits{symbol.constBits(), symbol.width(), symbol.height(),
                                   static_cast<std::size_t>(symbol.bytesPerLine()), qGray(symbol.color(1)) < 128};
  std::vector<double> times;
  output::GreyPicture grey;
  for (int run = 0; run < 5; ++run) {
    QElapsedTimer clock;
    clock.start();
    grey = output::ReduceOneBit(bits, 11, 11, symbol.width() - 11, symbol.height() - 11, 64);
    times.push_back(clock.nsecsElapsed() / 1e6);
  }
  QImage reduced(grey.width, grey.height, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height; ++y) std::copy_n(&grey.pixels[static_cast<std::size_t>(y) * grey.width], grey.width, reduced.scanLine(y));
  QImage box(537, 441, QImage::Format_RGB32);
  std::vector<double> paints;
  for (int run = 0; run < 200; ++run) {
    QElapsedTimer clock;
    clock.start();
    QPainter painter(&box);
    painter.fillRect(box.rect(), Qt::white);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(93.9, 45.9, 349.6, 349.6), reduced);
    painter.end();
    paints.push_back(clock.nsecsElapsed() / 1e6);
  }
  std::printf("symbol view, %dx%d symbol into a 537x441 box (1/64 zoom, %dx%d view)\n", symbol.width(), symbol.height(),
              grey.width, grey.height);
  std::printf("  reduction: median %.1f ms, worst %.1f ms (5 runs)\n", Median(times),
              *std::max_element(times.begin(), times.end()));
  std::printf("  repaint from the reduced picture: median %.3f ms, worst %.3f ms (200 paints)\n", Median(paints),
              *std::max_element(paints.begin(), paints.end()));
}

void PrintToPdf(const QImage& symbol, const QString& dir) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setResolution(600);
  const QString pdf = dir + "/largest.pdf";
  printer.setOutputFileName(pdf);
  const auto annotations = output::SymbolAnnotations("37.293\"", "37.293\"", 11, 2, geometry::Style::kLines);
  QElapsedTimer clock;
  clock.start();
  const QString failure = print::PrintSymbolPage(printer, symbol, annotations);
  const double ms = clock.nsecsElapsed() / 1e6;
  std::printf("print to PDF at 600 dpi: %.0f ms, %lld bytes%s%s\n", ms, QFileInfo(pdf).size(),
              failure.isEmpty() ? "" : ", failed: ", qPrintable(failure));
  // pdfimages writes a 1-bit image as a PBM file: 1 is black.
  QProcess images;
  images.start("pdfimages", {pdf, dir + "/extracted"});
  if (!images.waitForFinished(120000) || images.exitCode() != 0) {
    std::printf("  pdfimages not available: bit-for-bit check skipped\n");
    return;
  }
  QFile pbm(dir + "/extracted-000.pbm");
  if (!pbm.open(QIODevice::ReadOnly)) {
    std::printf("  no 1-bit image in the PDF\n");
    return;
  }
  const QByteArray header = QByteArray("P4\n") + QByteArray::number(symbol.width()) + " " +
                            QByteArray::number(symbol.height()) + "\n";
  const QByteArray data = pbm.readAll();
  const int row_bytes = (symbol.width() + 7) / 8;
  const QImage mono = print::OneBitSymbol(symbol);
  long long wrong = data.startsWith(header) && data.size() == header.size() + qsizetype{row_bytes} * symbol.height()
                        ? 0
                        : -1;
  for (int y = 0; wrong >= 0 && y < symbol.height(); ++y) {
    const uchar* ours = mono.constScanLine(y);
    const char* theirs = data.constData() + header.size() + qsizetype{row_bytes} * y;
    for (int i = 0; i < row_bytes; ++i) {
      const int valid = std::min(8, symbol.width() - 8 * i);
      const uchar mask = static_cast<uchar>(0xFF << (8 - valid));
      wrong += ((static_cast<uchar>(~ours[i]) ^ static_cast<uchar>(theirs[i])) & mask) != 0;
    }
  }
  std::printf("  embedded 1-bit image vs the symbol: %s\n",
              wrong == 0 ? "identical bit for bit" : wrong < 0 ? "wrong size or format" : "DIFFERENT");
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + "/tessellux-pictures-timing";
  QDir().mkpath(dir);
  QualityChange(dir);
  const QImage symbol = LargestSymbol();
  SymbolView(symbol);
  PrintToPdf(symbol, dir);
  return 0;
}

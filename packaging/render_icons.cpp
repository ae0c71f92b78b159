// Build-time tool: writes the application icon, as the program paints it,
// into an icon theme folder: render_icons DIR SIZE... makes
// DIR/<SIZE>x<SIZE>/apps/orvconfig.png for each size. Needs no display.
#include "ui/icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "Usage: render_icons DIR SIZE...\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int k = 2; k < argc; ++k) {
    const int px = std::atoi(argv[k]);
    if (px < 16 || px > 1024) {
      std::fprintf(stderr, "render_icons: bad size '%s'\n", argv[k]);
      return 2;
    }
    const QString dir = QString("%1/%2x%2/apps").arg(root).arg(px);
    const QString file = dir + "/orvconfig.png";
    const QImage img = app_icon_image(px).convertToFormat(QImage::Format_ARGB32);
    if (!QDir().mkpath(dir) || !img.save(file, "PNG")) {
      std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}

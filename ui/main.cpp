// create-tessellux: prepares a Tessellux, has the Code Generator build it,
// shows and prints it.

#include <QApplication>
#include <QCommandLineParser>
#include <QHostAddress>
#include <QIcon>

#include <cstdio>

#include "app/product.h"
#include "link/discovery.h"
#include "ui/main_form.h"

int main(int argc, char** argv) {
  QApplication::setApplicationName(QString::fromLatin1(tessellux::app::kProductName));
  QApplication::setApplicationVersion(
      QStringLiteral("%1.%2").arg(tessellux::app::kVersionMajor).arg(tessellux::app::kVersionMinor));
  // The menu entry and icon an installed copy ships (an SVG icon needs Qt's SVG
  // plugin; without it the window simply has no icon).
  QGuiApplication::setDesktopFileName(QStringLiteral("create-tessellux"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("create-tessellux")));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Prepares a Tessellux symbol, has the Code Generator on the network build it, shows and prints it."));
  // Not addHelpOption: its --help-all (Qt's own options) would be taken for
  // an ordinary option here and open the window.
  const QCommandLineOption help_option({QStringLiteral("h"), QStringLiteral("help")},
                                       QStringLiteral("Displays help on commandline options."));
  parser.addOption(help_option);
  parser.addVersionOption();
  const QCommandLineOption address_option(
      QStringLiteral("discovery-address"),
      QStringLiteral("Where the discovery query goes (default: the broadcast address %1).")
          .arg(QString::fromLatin1(tessellux::link::kDefaultDiscoveryAddress)),
      QStringLiteral("ADDR"), QString::fromLatin1(tessellux::link::kDefaultDiscoveryAddress));
  const QCommandLineOption port_option(
      QStringLiteral("port"),
      QStringLiteral("Port of the Code Generator, for the query and the connection (default %1).")
          .arg(tessellux::protocol::kDefaultPort),
      QStringLiteral("N"), QString::number(tessellux::protocol::kDefaultPort));
  parser.addOption(address_option);
  parser.addOption(port_option);
  // Parsed before the window system is opened, so that --help, --version
  // and mistakes are answered on a terminal without a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (!parser.parse(arguments)) {
    std::fprintf(stderr, "create-tessellux: %s\n(create-tessellux --help lists the options)\n",
                 qPrintable(parser.errorText()));
    return 2;
  }
  if (parser.isSet(help_option)) {
    // Without an application object the text names no program.
    QString help = parser.helpText();
    help.replace(QStringLiteral("<executable_name>"), QStringLiteral("create-tessellux"));
    std::printf("%s\nExit codes: 0 closed normally, 2 bad command line.\n", qPrintable(help));
    return 0;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    std::printf("create-tessellux %s\n", qPrintable(QApplication::applicationVersion()));
    return 0;
  }
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "create-tessellux: unexpected argument %s\n", qPrintable(parser.positionalArguments().first()));
    return 2;
  }

  tessellux::ui::MainFormOptions options;
  options.discovery_address = QHostAddress(parser.value(address_option));
  if (options.discovery_address.isNull()) {
    std::fprintf(stderr, "create-tessellux: --discovery-address: not an IP address: %s\n",
                 qPrintable(parser.value(address_option)));
    return 2;
  }
  bool port_ok = false;
  const uint port = parser.value(port_option).toUInt(&port_ok);
  if (!port_ok || port == 0 || port > 65535) {
    std::fprintf(stderr, "create-tessellux: --port: not a port number: %s\n", qPrintable(parser.value(port_option)));
    return 2;
  }
  options.port = static_cast<quint16>(port);

  QApplication app(argc, argv);
  tessellux::ui::MainForm window(options);
  window.show();
  return app.exec();
}

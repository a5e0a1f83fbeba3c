// The floor of the pipit benchmark: a Qt Widgets program with one tray icon,
// and nothing else. It reports once its loop runs with the icon shown.

#include "ReportWhenExposed.h"

#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {
// A tray state icon's size.
constexpr int IconSize = 16;
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap picture(IconSize, IconSize);
    picture.fill(Qt::darkGreen);
    QSystemTrayIcon icon{QIcon(picture)};
    icon.setToolTip("Pipit");
    icon.show();
    QTimer::singleShot(0, [] {
        WriteExposedReport();
        QApplication::quit();
    });
    return app.exec();
}

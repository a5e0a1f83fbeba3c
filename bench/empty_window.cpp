// The floor of the start-up benchmark: a Qt Widgets program showing one empty
// window the size of the front panel, and nothing else.

#include "ReportWhenExposed.h"

#include <QApplication>
#include <QWidget>

namespace {
// The front panel's size at its first start.
constexpr int PanelWidth = 425;
constexpr int PanelHeight = 175;
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(PanelWidth, PanelHeight);
    window.show();
    ReportWhenExposed(window, [] { QApplication::quit(); });
    return app.exec();
}

// A yardstick for the start-up benchmark: a Qt Widgets window with the same
// kinds of controls as the front panel (a menu bar with three menus, group
// boxes with titles and buttons, labels, a slider) in the panel's size and
// font, and nothing behind them: no store, no card, no tray. What tunzo
// takes beyond it is tunzo's own; what it takes beyond the empty window is
// mostly Qt's.

#include "ReportWhenExposed.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>

namespace {
constexpr int PanelWidth = 425;
constexpr int PanelHeight = 175;
constexpr int PanelPointSize = 8;
constexpr int ItemsPerMenu = 10;
constexpr int Groups = 4;
constexpr int ButtonsPerGroup = 5;
constexpr int Labels = 6;
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QFont font = QApplication::font();
    font.setPointSize(PanelPointSize);
    QApplication::setFont(font);
    QMainWindow window;
    window.resize(PanelWidth, PanelHeight);
    auto* client = new QWidget(&window);
    window.setCentralWidget(client);
    for (const char* title : {"&Actions", "&Options", "&Help"}) {
        QMenu* menu = window.menuBar()->addMenu(title);
        for (int i = 0; i < ItemsPerMenu; ++i)
            menu->addAction(QString("Item %1").arg(i + 1));
    }
    for (int g = 0; g < Groups; ++g) {
        auto* group = new QGroupBox(g % 2 ? "Tune" : "", client);
        group->setGeometry(g * 100, 0, 98, 66);
        for (int b = 0; b < ButtonsPerGroup; ++b)
            (new QPushButton(QString::number(b + 1), group))->setGeometry(3 + b * 18, 10, 17, 19);
    }
    for (int l = 0; l < Labels; ++l)
        (new QLabel("T", client))->setGeometry(l * 20, 120, 18, 14);
    (new QSlider(Qt::Horizontal, client))->setGeometry(2, 140, 400, 20);
    window.show();
    ReportWhenExposed(window, [] { QApplication::quit(); });
    return app.exec();
}

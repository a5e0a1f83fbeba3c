// The floor of the idle benchmark with the clock shown: a Qt Widgets window
// holding one label that shows the time, set again once a second.

#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>

namespace {
constexpr int TickMs = 1000;
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel clock;
    const auto showTime = [&clock] { clock.setText(QTime::currentTime().toString("HH:mm:ss")); };
    showTime();
    clock.show();
    QTimer tick;
    tick.setInterval(TickMs);
    QObject::connect(&tick, &QTimer::timeout, showTime);
    tick.start();
    return app.exec();
}

// The floor of the idle benchmark with the clock hidden: a Qt program whose
// only work is a timer ticking once a second.

#include <QCoreApplication>
#include <QTimer>

namespace {
constexpr int TickMs = 1000;
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTimer tick;
    tick.setInterval(TickMs);
    QObject::connect(&tick, &QTimer::timeout, [] {});
    tick.start();
    return app.exec();
}

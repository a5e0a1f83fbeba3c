#include "FirstOnScreen.h"

#include <QEvent>
#include <QTimer>

namespace {

class FirstExposeWatch : public QObject {
public:
    FirstExposeWatch(QWindow* window, int latestMs, std::function<void()> then)
        : QObject(window), then_(std::move(then))
    {
        if (window->isExposed()) {
            Run();
            return;
        }
        window->installEventFilter(this);
        QTimer::singleShot(latestMs, this, &FirstExposeWatch::Run);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
            Run();
        return false;
    }

private:
    void Run()
    {
        if (done_)
            return;
        done_ = true;
        // Queued: the expose being filtered paints the window first.
        QTimer::singleShot(0, parent(), then_);
        deleteLater();
    }

    std::function<void()> then_;
    bool done_ = false;
};

}  // namespace

void WhenFirstOnScreen(QWindow* window, int latestMs, std::function<void()> then)
{
    new FirstExposeWatch(window, latestMs, std::move(then));
}

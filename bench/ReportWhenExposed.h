#pragma once
// How the programs the start-up benchmark compares say that their window is
// on screen: once it is first exposed they write "<CLOCK_MONOTONIC ms>
// <VmHWM KiB>" to the pipe whose descriptor the benchmark puts in
// ReportFdVariable, and then end. Both programs report through this one
// header, at the same moment and in the same way. Header only, and only Qt:
// the empty window must link nothing but Qt Widgets.

#include "ProcessTiming.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

// The process's peak resident memory so far, in KiB.
inline long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:"))
            return std::atol(line.c_str() + 6);
    return 0;
}

inline void WriteExposedReport()
{
    const char* fdText = std::getenv(ReportFdVariable);
    if (!fdText)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double ms = static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    char line[64];
    const int n = std::snprintf(line, sizeof line, "%.3f %ld\n", ms, PeakResidentKiB());
    const int fd = std::atoi(fdText);
    if (write(fd, line, static_cast<size_t>(n)) != n)
        std::perror("report");
    close(fd);
}

// Watches the window's expose events; QWindow::isExposed() is already true
// when the first one that puts it on screen arrives.
class ExposeReporter : public QObject {
public:
    ExposeReporter(QWindow* window, std::function<void()> reported)
        : QObject(window), window_(window), reported_(std::move(reported))
    {
        window->installEventFilter(this);
    }
    void ReportIfExposed()
    {
        if (done_ || !window_->isExposed())
            return;
        done_ = true;
        WriteExposedReport();
        reported_();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::Expose)
            ReportIfExposed();
        return false;
    }

private:
    QWindow* window_;
    std::function<void()> reported_;
    bool done_ = false;
};

// For a widget already shown: reports now when its window is exposed, else at
// its first expose; then runs `reported`.
inline void ReportWhenExposed(QWidget& widget, std::function<void()> reported)
{
    auto* reporter = new ExposeReporter(widget.windowHandle(), std::move(reported));
    reporter->ReportIfExposed();
}

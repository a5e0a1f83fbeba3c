#pragma once
// The hand of the process-test drivers: command lines arriving on standard
// input, each handed to `perform` from the program's event loop as it comes,
// until the test closes its end.

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

inline void PerformCommandLines(QObject* owner, std::function<void(const std::string&)> perform)
{
    auto pending = std::make_shared<std::string>();
    auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, owner);
    QObject::connect(input, &QSocketNotifier::activated, owner, [pending, input, perform] {
        char buffer[256];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input->setEnabled(false);  // the test closed its end
            return;
        }
        pending->append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending->find('\n')) != std::string::npos;) {
            const std::string line = pending->substr(0, end);
            pending->erase(0, end + 1);
            perform(line);
        }
    });
}

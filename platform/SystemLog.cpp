#include "SystemLog.h"

#include <cstdio>
#include <syslog.h>

void ReportToSystemLog(const std::string& program, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", program.c_str(), text.c_str());
    std::fflush(stderr);
    openlog(program.c_str(), LOG_PID, LOG_USER);
    syslog(LOG_WARNING, "%s", text.c_str());
    closelog();
}

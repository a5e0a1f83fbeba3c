#pragma once
// Where a program reports what went wrong when nobody can be asked: at the end
// of a session no window can wait for a click. Each report goes to standard
// error and to the system log (journal or syslog) under the program's name.

#include <string>

void ReportToSystemLog(const std::string& program, const std::string& text);

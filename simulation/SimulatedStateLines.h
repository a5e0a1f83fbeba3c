#pragma once
// The simulated devices keep their state in small text files of
// "name number" lines, which a person may edit by hand (writing
// "present 0" unplugs a device).

#include <cmath>
#include <sstream>
#include <string>

// Calls `take(name, value)` for each line with a name and a finite number;
// any other line is skipped rather than spoiling the rest of the file.
template <class Take>
void ForEachStateLine(const std::string& text, Take take)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string name;
        double value = 0;
        if (words >> name >> value && std::isfinite(value))
            take(name, value);
    }
}

// The clock's text: two-digit fields joined by the locale's time separator,
// for the panel's clock and the alarm's time.

#include "SettingsStore.h"

#include <QLocale>
#include <QString>

#include <string_view>

namespace {
std::string TwoDigits(int value)
{
    const std::string text = std::to_string(value);
    return value <= 9 ? "0" + text : text;
}
}  // namespace

std::string FormatClockTime(int hour, int minute, int second, int fields, const std::string& separator)
{
    std::string text = TwoDigits(hour);
    if (fields > 1)
        text += separator + TwoDigits(minute);
    if (fields > 2)
        text += separator + TwoDigits(second);
    return text;
}

std::string FormatClockTime(int hour, int minute, int second, int fields)
{
    return FormatClockTime(hour, minute, second, fields, LocaleTimeSeparator());
}

std::string TimeSeparatorOf(const std::string& timeFormat)
{
    const std::string_view fieldLetters = "hHmsaApPtz";
    size_t i = timeFormat.find_first_of("hH");
    if (i == std::string::npos)
        return ":";
    while (i < timeFormat.size() && (timeFormat[i] == 'h' || timeFormat[i] == 'H'))
        ++i;
    std::string separator;
    bool quoted = false;
    for (; i < timeFormat.size(); ++i) {
        const char c = timeFormat[i];
        if (c == '\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && fieldLetters.find(c) != std::string_view::npos)
            break;
        separator += c;
    }
    return separator.empty() ? ":" : separator;
}

std::string LocaleTimeSeparator()
{
    return TimeSeparatorOf(QLocale::system().timeFormat(QLocale::ShortFormat).toStdString());
}

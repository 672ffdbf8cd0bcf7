#include "core/base/Iso8601.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace brimly {

namespace {

bool readDigits(std::string_view text, size_t at, size_t count, int& out) {
    if (at + count > text.size()) return false;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    out = value;
    return true;
}

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

}  // namespace

std::optional<Date> parseIso8601(std::string_view text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (text.size() < 20) return std::nullopt;
    if (!readDigits(text, 0, 4, year) || text[4] != '-' || !readDigits(text, 5, 2, month) || text[7] != '-' ||
        !readDigits(text, 8, 2, day) || (text[10] != 'T' && text[10] != 't') ||
        !readDigits(text, 11, 2, hour) || text[13] != ':' || !readDigits(text, 14, 2, minute) ||
        text[16] != ':' || !readDigits(text, 17, 2, second)) {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 60) {
        return std::nullopt;
    }
    size_t at = 19;
    double fraction = 0;
    if (text[at] == '.') {
        ++at;
        double scale = 0.1;
        size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            fraction += (text[at] - '0') * scale;
            scale /= 10;
            ++at;
        }
        if (at == start) return std::nullopt;
    }
    if (at >= text.size()) return std::nullopt;
    int offsetSeconds = 0;
    if (text[at] == 'Z' || text[at] == 'z') {
        ++at;
    } else if (text[at] == '+' || text[at] == '-') {
        int sign = text[at] == '-' ? -1 : 1;
        int offHour = 0, offMinute = 0;
        if (!readDigits(text, at + 1, 2, offHour) || at + 3 >= text.size() || text[at + 3] != ':' ||
            !readDigits(text, at + 4, 2, offMinute) || offHour > 23 || offMinute > 59) {
            return std::nullopt;
        }
        offsetSeconds = sign * (offHour * 3600 + offMinute * 60);
        at += 6;
    } else {
        return std::nullopt;
    }
    if (at != text.size()) return std::nullopt;
    std::int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    double unixSeconds =
        static_cast<double>(days * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds);
    return dateFromUnix(unixSeconds + fraction);
}

std::string formatIso8601(Date date) {
    double unixSeconds = unixFromDate(date);
    double whole = std::floor(unixSeconds);
    auto millis = static_cast<int>(std::lround((unixSeconds - whole) * 1000));
    if (millis == 1000) {
        whole += 1;
        millis = 0;
    }
    auto seconds = static_cast<std::time_t>(whole);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, millis);
    return buffer;
}

std::string formatIso8601Seconds(Date date) {
    // Out-of-range values would make the conversion to time_t undefined; they read as the reference date.
    if (!std::isfinite(date) || std::fabs(date) > distantFuture) date = 0;
    auto seconds = static_cast<std::time_t>(std::floor(unixFromDate(date)));
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return buffer;
}

}  // namespace brimly

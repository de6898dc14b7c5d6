#include "Measure.h"

#include <algorithm>
#include <cstdio>
#include <utility>

double NowMs()
{
    static const double perMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / perMs;
}

double Median(std::vector<double> values)
{
    return Quantile(std::move(values), 0.5);
}

double Quantile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    double position = fraction * static_cast<double>(values.size() - 1);
    size_t below = static_cast<size_t>(position);
    if (below + 1 >= values.size())
        return values.back();
    double weight = position - static_cast<double>(below);
    return values[below] * (1 - weight) + values[below + 1] * weight;
}

std::string FormatMs(double ms)
{
    char text[32];
    snprintf(text, sizeof text, ms < 10 ? "%.2f ms" : ms < 100 ? "%.1f ms" : "%.0f ms", ms);
    return text;
}

std::string FormatRatio(double value, double floor)
{
    if (floor <= 0)
        return "—";
    char text[32];
    snprintf(text, sizeof text, "%.2f×", value / floor);
    return text;
}

std::string FormatDeltaMs(double ms)
{
    char text[32];
    snprintf(text, sizeof text, "%+.1f ms", ms);
    return text;
}

std::string FormatCount(long long value)
{
    if (value < 0)
        return "n/a";
    std::string digits = std::to_string(value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ' ';
        text += digits[i];
    }
    return text;
}

std::string FormatSpread(const std::vector<double>& ms)
{
    std::string low = FormatMs(Quantile(ms, 0.25));
    std::string high = FormatMs(Quantile(ms, 0.75));
    return low.substr(0, low.size() - 3) + "–" + high;
}

// Clocks and statistics of the benchmark.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Milliseconds on the performance counter; only differences mean anything.
double NowMs();

// The median of the values; 0 for none.
double Median(std::vector<double> values);
// The value below which the fraction (0 to 1) of the values lies, between neighbours; 0 for none.
double Quantile(std::vector<double> values, double fraction);

// Text forms used in the table: "12.3 ms", "1.25×", "+40.0 ms", "123 456".
std::string FormatMs(double ms);
std::string FormatRatio(double value, double floor);
std::string FormatDeltaMs(double ms);
std::string FormatCount(long long value);
// "41.2–44.0 ms": the first and third quartiles, to show how far the repetitions spread.
std::string FormatSpread(const std::vector<double>& ms);

#include "views/chart_description.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string stripDescription(const ChartStrip& strip) {
    double low = INFINITY;
    double high = -INFINITY;
    for (double value : strip.values) {
        if (std::isfinite(value)) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    }
    if (low > high) {
        return strip.title + ": no values.";
    }
    return strip.title + ": minimum " + number(low) + ", maximum " + number(high) + ".";
}

} // namespace

std::string chartDescription(const ChartContent& content) {
    std::string text = content.notice.empty() ? std::string() : content.notice + "\n";
    for (const ChartStrip& strip : content.strips) {
        text += stripDescription(strip) + "\n";
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

} // namespace vantrel

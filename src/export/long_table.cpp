#include "export/long_table.h"

#include <array>
#include <charconv>

namespace vantrel {

std::string roundTripText(double value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), end);
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

std::string longTableHeading() {
    std::string heading = "series,point,data,trend,oscillation";
    for (int wave = 1; wave <= 10; ++wave) {
        heading += ",wave_" + std::to_string(wave);
    }
    return heading + ",remainder\n";
}

std::string longTableRows(std::string_view series, const LongColumns& columns) {
    const std::string name = csvField(series) + ",";
    std::string rows;
    for (int k = 0; k < columns.count; ++k) {
        rows += name + std::to_string(k + 1);
        for (const double* column : {columns.data, columns.trend, columns.oscillation}) {
            rows += "," + roundTripText(column[k]);
        }
        for (const double* wave : columns.waves) {
            rows += "," + roundTripText(wave[k]);
        }
        rows += "," + roundTripText(columns.remainder[k]) + "\n";
    }
    return rows;
}

} // namespace vantrel

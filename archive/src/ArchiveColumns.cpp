// The value columns: names by the archive's vocabulary, one printed format each.
#include "ArchiveColumns.h"

#include <array>
#include <cstdio>

namespace {

// Pressure in hPa up to about 1100; temperatures in K up to about 350; humidity up to 100 %.
constexpr NumberFormat kPressure{5, 2};
constexpr NumberFormat kTemperature{4, 2};
constexpr NumberFormat kHumidity{4, 2};
// The status word: four hexadecimal digits, at most 65535.
constexpr NumberFormat kStatus{6, 0};
// Scatter coefficients in 1/Mm, at most a few thousand even in heavy haze.
constexpr NumberFormat kScatter{5, 3};

const std::string kInstrument = ", Matrix=instrument";

}  // namespace

std::vector<Column> ValueColumns(const StationConfig& station) {
    std::vector<Column> columns = {
        {"p_inlet", "pressure, hPa, Location=instrument inlet" + kInstrument, kPressure},
        {"T_int", "temperature, K, Location=instrument internal" + kInstrument, kTemperature},
        {"T_inlet", "temperature, K, Location=instrument inlet" + kInstrument, kTemperature},
        {"RH_int", "relative_humidity, %, Location=instrument internal" + kInstrument, kHumidity},
        {"status", "status, no unit" + kInstrument, kStatus},
    };
    struct Quantity {
        const char* title;   // before the wavelength
        const char* suffix;  // after it
        const char* variable;
    };
    const std::array<Quantity, 5> quantities = {{
        {"sc", "", "aerosol_light_scattering_coefficient"},
        {"bsc", "", "aerosol_light_backscattering_coefficient"},
        {"sc", "z", "aerosol_light_scattering_coefficient_zero_measurement"},
        {"bsc", "z", "aerosol_light_backscattering_coefficient_zero_measurement"},
        {"sc", "r", "aerosol_light_rayleighscattering_coefficient_zero_measurement"},
    }};
    for (const Quantity& quantity : quantities)
        for (const int wavelength : station.wavelengths)
            columns.push_back(
                {quantity.title + std::to_string(wavelength) + quantity.suffix,
                 std::string(quantity.variable) + ", 1/Mm, Wavelength=" + std::to_string(wavelength) + " nm",
                 kScatter});
    return columns;
}

std::vector<std::optional<double>> ValuesOf(const ArchiveRow& row, double coefficientFactor) {
    std::vector<std::optional<double>> values = {row.pressure, row.sampleTemperature, row.inletTemperature,
                                                 row.humidity};
    values.push_back(row.statusWord ? std::optional<double>(*row.statusWord) : std::nullopt);
    const auto scaled = [&](const std::optional<double>& value) {
        return value ? std::optional(*value * coefficientFactor) : std::nullopt;
    };
    for (const std::optional<double>& value : row.scatter) values.push_back(scaled(value));
    for (const std::optional<double>& value : row.zero) values.push_back(scaled(value));
    return values;
}

std::string MissingCode(NumberFormat format) {
    std::string code(static_cast<std::size_t>(format.integerDigits), '9');
    if (format.decimals > 0) code += '.' + std::string(static_cast<std::size_t>(format.decimals), '9');
    return code;
}

std::optional<std::string> Printed(double value, NumberFormat format) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", format.decimals, value);
    std::string printed = text;
    const bool negative = printed.front() == '-';
    const std::string magnitude = negative ? printed.substr(1) : printed;
    const std::size_t point = magnitude.find('.');
    const std::size_t integerDigits = point == std::string::npos ? magnitude.size() : point;
    if (integerDigits > static_cast<std::size_t>(format.integerDigits) || magnitude == MissingCode(format))
        return std::nullopt;
    // A small negative value rounds to "-0.000", which is zero.
    if (negative && magnitude.find_first_not_of("0.") == std::string::npos) return magnitude;
    return printed;
}

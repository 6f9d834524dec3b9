#pragma once
// Units of the displayed figures. Everything is stored in metres and square metres; a value
// is converted only when it is shown, in the unit of the settings read afresh at each call.
#include <cstdint>
#include <string>

namespace tessaly {

// Unit codes of the settings; any other code shows as kilometres.
enum UnitCode : std::int32_t { kUnitKm = 0, kUnitMi = 1, kUnitM = 2, kUnitYd = 3, kUnitNm = 4 };

// For the unit of the settings.
std::string lengthUnitLabel();
std::string areaUnitLabel();
double metersPerLengthUnit();
double squareMetersPerAreaUnit();
// Grouping ("#,##0.##") only when grouping is exactly 1, else "###0.##"; " <label>" appended
// only when unit is exactly 1. At most two fraction digits, half-even, separators of the
// current locale, from the single-precision value.
std::string formatLength(double meters, int grouping, int unit);
std::string formatArea(double squareMeters, int grouping, int unit);

// The same for a given unit code.
std::string lengthUnitLabel(std::int32_t code);
std::string areaUnitLabel(std::int32_t code);
double metersPerLengthUnit(std::int32_t code);
double squareMetersPerAreaUnit(std::int32_t code);
// The code of a length label ("km", "mi", "m", "yd", "nm"); -1 for any other text.
std::int32_t unitCodeForLabel(const std::string& label);

// The text of an already converted value, as the two format functions make it.
std::string formatUnitValue(double value, int grouping);
// How many number formatters are kept for reuse (bounded, whatever the locales asked for).
std::size_t cachedFormatterCount();

}  // namespace tessaly

#pragma once

#include <string>

// A coordinate to the hundredth of a pixel, as short as it goes: the value
// rounded to hundredths and written as std::to_chars writes that double
// ("12.5", "-3", "0.07"; never "-0").
void AppendHundredths(std::string &out, double value);

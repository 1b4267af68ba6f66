// Numbers as the league prints and writes them.
#pragma once

#include <string>

// `value` with `decimals` places, "-0.0" written as "0.0"; "nan" and "inf"
// as such.
std::string formatFixed(double value, int decimals);

#pragma once

#include <string>

/// The shortest decimal text of x that a TOML reader gives back as x: parsed as a double (as
/// TOML numbers are) and then rounded to single precision, it is x to the bit, -0 included.
/// It always reads as a TOML float: it has a point or an exponent ("85.0", "1e+20"), and the
/// values without digits are "nan", "inf" and "-inf".
std::string floatText(float x);

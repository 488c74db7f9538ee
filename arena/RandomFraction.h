#pragma once

#include <cstdlib>

/// The next value of the standard generator as a fraction in [0, 1), in steps of 1/32768.
/// The generator's range differs between C libraries (up to 32767 on some, 2^31 - 1 with
/// glibc); its low 15 bits give the same 0 to 32767 draws on all of them, where dividing the
/// whole value by 32768 would throw the arena's pillars and clouds far outside it.
inline double randomFraction() {
    return (std::rand() % 32768) / 32768.0;
}

#pragma once
// Reproducible test data: bytes of a Mersenne Twister, so a seed always gives the same bytes
// and a failing test fails the same way again.
#include <cstddef>
#include <random>
#include <string>

namespace testsupport {

inline std::string RandomBytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    std::mt19937 rng(seed);
    for (char& c : s) c = char(rng());
    return s;
}

} // namespace testsupport

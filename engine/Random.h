#pragma once

#include <cstdint>
#include <random>

namespace tv {

// The process-wide random generator.
std::mt19937& RandomEngine();

// Uniform in 0..n-1; 0 for n <= 0.
int Random(int n);
// Uniform in [0, 1).
double RandomFloat();
// Seeds from the clock.
void Randomize();
// Seeds with a fixed value (tests, reproducible runs).
void RandSeed(uint32_t seed);

} // namespace tv

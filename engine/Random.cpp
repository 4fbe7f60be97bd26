#include "engine/Random.h"

#include <chrono>
#include <cmath>

namespace tv {

std::mt19937& RandomEngine() {
    static std::mt19937 engine; // default seed until Randomize or RandSeed
    return engine;
}

int Random(int n) {
    if (n <= 0)
        return 0;
    std::uniform_int_distribution<int> dist(0, n - 1);
    return dist(RandomEngine());
}

double RandomFloat() {
    std::uniform_real_distribution<double> dist(0.0, 1.0);
    const double value = dist(RandomEngine());
    // generate_canonical may round up to 1.0 on rare draws; keep the half-open range.
    return value < 1.0 ? value : std::nextafter(1.0, 0.0);
}

void Randomize() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    RandomEngine().seed(static_cast<uint32_t>(ticks ^ (ticks >> 32)));
}

void RandSeed(uint32_t seed) {
    RandomEngine().seed(seed);
}

} // namespace tv

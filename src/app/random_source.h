#pragma once

#include <cstdint>
#include <random>

namespace vantrel {

// Draws the numbers that pick the joking first line of a failure message.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Uniform in [0, 1).
    virtual double next() = 0;
};

class UniformRandomSource final : public RandomSource {
public:
    explicit UniformRandomSource(std::uint64_t seed);
    double next() override;

private:
    std::mt19937_64 m_engine;
};

// Each start of the program draws a different sequence: the seed is the time of day.
std::uint64_t secondsSinceMidnight();

} // namespace vantrel

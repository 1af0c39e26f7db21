#include "app/random_source.h"

#include <QTime>

namespace vantrel {

UniformRandomSource::UniformRandomSource(std::uint64_t seed) : m_engine(seed) {}

double UniformRandomSource::next() {
    // 53 random bits scaled by 2^-53: never 1.0, which a library distribution may round up to.
    return static_cast<double>(m_engine() >> 11) * 0x1.0p-53;
}

std::uint64_t secondsSinceMidnight() {
    return static_cast<std::uint64_t>(QTime::currentTime().msecsSinceStartOfDay() / 1000);
}

} // namespace vantrel

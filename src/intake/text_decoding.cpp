#include "intake/text_decoding.h"

#include <algorithm>
#include <cstdint>

namespace vantrel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// UTF-16 from `start` (after its byte-order mark, if any); an odd last byte is a unit of its own.
std::string fromUtf16(const std::string& bytes, bool bigEndian, std::size_t start) {
    auto unitAt = [&](std::size_t pos) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[pos]);
        const auto second = pos + 1 < bytes.size() ? static_cast<unsigned char>(bytes[pos + 1]) : 0u;
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = start; pos < bytes.size(); pos += 2) {
        const char32_t unit = unitAt(pos);
        if (isHighSurrogate(unit) && pos + 3 < bytes.size() && isLowSurrogate(unitAt(pos + 2))) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(pos + 2) - 0xDC00));
            pos += 2;
        } else {
            appendUtf8(out, isHighSurrogate(unit) || isLowSurrogate(unit) ? kReplacement : unit);
        }
    }
    return out;
}

bool startsWith(const std::string& bytes, const char* mark) {
    return bytes.compare(0, std::char_traits<char>::length(mark), mark) == 0;
}

enum class Utf16Guess { No, LittleEndian, BigEndian };

// UTF-16 without a mark, told as text editors tell it: numbers and line ends are ASCII, so in their
// first units one byte of every pair is NUL, the other never is. Text in UTF-8 has no NULs at all.
Utf16Guess guessUtf16(const std::string& bytes) {
    constexpr std::size_t kUnitsLooked = 128;
    const std::size_t units = std::min(bytes.size() / 2, kUnitsLooked);
    std::size_t nulFirst = 0;
    std::size_t nulSecond = 0;
    for (std::size_t unit = 0; unit < units; ++unit) {
        nulFirst += bytes[2 * unit] == '\0' ? 1 : 0;
        nulSecond += bytes[2 * unit + 1] == '\0' ? 1 : 0;
    }
    if (units == 0 || (nulFirst > 0) == (nulSecond > 0)) {
        return Utf16Guess::No;
    }
    const std::size_t nuls = std::max(nulFirst, nulSecond);
    if (2 * nuls < units) {
        return Utf16Guess::No;
    }
    return nulSecond > 0 ? Utf16Guess::LittleEndian : Utf16Guess::BigEndian;
}

} // namespace

std::string textOfFile(std::string bytes) {
    if (startsWith(bytes, "\xFF\xFE")) {
        return fromUtf16(bytes, false, 2);
    }
    if (startsWith(bytes, "\xFE\xFF")) {
        return fromUtf16(bytes, true, 2);
    }
    if (const Utf16Guess guess = guessUtf16(bytes); guess != Utf16Guess::No) {
        return fromUtf16(bytes, guess == Utf16Guess::BigEndian, 0);
    }
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        return bytes.substr(3);
    }
    return bytes;
}

} // namespace vantrel

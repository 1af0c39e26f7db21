#include "intake/pasted_text.h"

#include <algorithm>

namespace vantrel {

namespace {

// The strip draws one hairline per mark, so every whole unit of 1000 the scan passes is marked:
// the strip fills up without gaps, at most 1001 marks for any text.
constexpr int kMarkFull = 1000;
// Bytes scanned between two progress checks.
constexpr std::size_t kScanChunk = 4096;

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool isContinuationByte(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The range the byte after a lead byte must lie in: narrower than a plain continuation byte's after
// the leads whose sequences could be overlong, a surrogate or beyond U+10FFFF.
struct SecondByteRange {
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
};

SecondByteRange secondByteRange(unsigned char lead) {
    switch (lead) {
    case 0xE0:
        return {0xA0, 0xBF};
    case 0xED:
        return {0x80, 0x9F};
    case 0xF0:
        return {0x90, 0xBF};
    case 0xF4:
        return {0x80, 0x8F};
    default:
        return {};
    }
}

// Bytes of the UTF-8 sequence starting at pos; 1 for a byte that starts no well-formed sequence, so
// that each byte of a malformed one counts as a character, as the clipboard's decoder makes it one.
std::size_t sequenceLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    }
    if (length == 1 || pos + length > text.size()) {
        return 1;
    }
    const SecondByteRange second = secondByteRange(lead);
    const auto next = static_cast<unsigned char>(text[pos + 1]);
    if (next < second.low || next > second.high) {
        return 1;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (!isContinuationByte(static_cast<unsigned char>(text[pos + k]))) {
            return 1;
        }
    }
    return length;
}

// Just past the last character that is not a line end; 0 when there is none.
std::size_t contentEnd(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && isLineEnd(text[end - 1])) {
        --end;
    }
    return end;
}

// Bytes of the line end at pos: 2 for CR LF, else 1.
std::size_t lineEndLength(std::string_view text, std::size_t pos) {
    return text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
}

// The scan runs backwards; it is as far along as the larger of the part of the text behind it and
// the part of the kept lines it has counted.
class ScanMarks {
public:
    ScanMarks(IntakeProgress& progress, std::size_t length, int maxLines)
        : m_progress(progress), m_length(length), m_maxLines(maxLines) {}

    void reach(std::size_t position, int lineEnds) {
        // An empty text is scanned as soon as it is begun (and 0 / 0 has no integer).
        const double scanned =
            m_length == 0 ? 1.0 : 1.0 - static_cast<double>(position) / static_cast<double>(m_length);
        const double byPosition = kMarkFull * scanned;
        const double byLines = static_cast<double>(kMarkFull) * lineEnds / m_maxLines;
        const int unit = std::min(static_cast<int>(std::max(byPosition, byLines)), kMarkFull);
        while (m_lastUnit < unit) {
            m_progress.scanMark(++m_lastUnit);
        }
    }

private:
    IntakeProgress& m_progress;
    std::size_t m_length;
    int m_maxLines;
    int m_lastUnit = -1;
};

} // namespace

std::size_t characterCount(std::string_view text, std::size_t limit) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size() && count <= limit; ++count) {
        pos += static_cast<unsigned char>(text[pos]) < 0x80 ? 1 : sequenceLength(text, pos);
    }
    return count;
}

bool exceedsCharacterLimit(std::string_view text, long characters) {
    const auto limit = static_cast<std::size_t>(characters);
    // A character takes one to four bytes.
    if (text.size() <= limit) {
        return false;
    }
    if (text.size() > 4 * limit) {
        return true;
    }
    return characterCount(text, limit) > limit;
}

bool isTinyText(std::string_view text) {
    const std::size_t firstLineEnd = std::min(text.find_first_of("\r\n"), text.size());
    return contentEnd(text) <= firstLineEnd && characterCount(text.substr(0, firstLineEnd), 1) <= 1;
}

std::string_view keptLines(std::string_view text, IntakeProgress& progress, int maxLines) {
    const std::size_t end = contentEnd(text);
    ScanMarks marks(progress, text.size(), maxLines);
    std::size_t pos = end;
    int lineEnds = 0;
    while (pos > 0) {
        const std::size_t chunkStart = pos > kScanChunk ? pos - kScanChunk : 0;
        while (pos > chunkStart) {
            const char c = text[pos - 1];
            if (!isLineEnd(c)) {
                --pos;
                continue;
            }
            if (++lineEnds == maxLines) {
                marks.reach(pos, maxLines);
                return text.substr(pos, end - pos);
            }
            pos -= c == '\n' && pos >= 2 && text[pos - 2] == '\r' ? 2 : 1;
        }
        marks.reach(pos, lineEnds);
    }
    marks.reach(0, lineEnds);
    return text.substr(0, end);
}

namespace {

std::string_view withoutOuterBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

} // namespace

std::optional<std::string_view> scientificField(std::string_view field, NumberFormat format) {
    const std::string_view text = withoutOuterBlanks(field);
    const NumberPrefix number = numberPrefix(text, decimalSeparator(format));
    if (!number.hasExponent || number.length != text.size()) {
        return std::nullopt;
    }
    return text;
}

int lineCount(std::string_view lines) {
    if (lines.empty()) {
        return 0;
    }
    int count = 1;
    for (std::size_t pos = 0; pos < lines.size(); ++pos) {
        if (isLineEnd(lines[pos])) {
            ++count;
            pos += lineEndLength(lines, pos) - 1;
        }
    }
    return count;
}

void placeFirstFields(std::string_view lines, ResultTable& table) {
    std::size_t pos = 0;
    for (int row = 1; row < table.rows(); ++row) {
        std::size_t lineEnd = pos;
        while (lineEnd < lines.size() && !isLineEnd(lines[lineEnd])) {
            ++lineEnd;
        }
        const std::string_view line = lines.substr(pos, lineEnd - pos);
        table.setText(row, ResultTable::kDataColumn, std::string(line.substr(0, line.find('\t'))));
        if (lineEnd == lines.size()) {
            return;
        }
        pos = lineEnd + lineEndLength(lines, lineEnd);
    }
}

} // namespace vantrel

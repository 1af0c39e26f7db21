#pragma once

#include "intake/intake.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace vantrel {

// Reading a pasted text (UTF-8) into lines. CR LF, a lone CR and a lone LF all end a line, and an
// unterminated last line is a line.

// Characters of the text, counted as code points; counting stops once `limit` is passed. A byte
// that starts no well-formed UTF-8 sequence counts as one character.
std::size_t characterCount(std::string_view text, std::size_t limit);

bool exceedsCharacterLimit(std::string_view text, long limit = kMaxClipboardCharacters);

// An empty text, a text of one character, or one whose first line has at most one character and
// whose further lines are all empty.
bool isTinyText(std::string_view text);

// The last `maxLines` lines of the text up to and including its last non-empty line, without the
// line end that follows that line. Marks the progress of the backward scan; the caller ends the scan.
std::string_view keptLines(std::string_view text, IntakeProgress& progress, int maxLines = kMaxPoints);

// The lines of a text whose last line is not empty; 0 for the empty text.
int lineCount(std::string_view lines);

// Row k of the Data column receives the first TAB-separated field of line k, for as many lines as
// the table has rows below its headings.
void placeFirstFields(std::string_view lines, ResultTable& table);

// A field in scientific notation, as a spreadsheet writes it: with the blanks (U+0020) before and
// after it taken off, an optional sign, digits with at most one decimal separator of the format and
// at least one digit, E or e, an optional sign and one or more digits. That text without the
// blanks, whose value is the number the field denotes; nothing for a field of any other shape.
std::optional<std::string_view> scientificField(std::string_view field, NumberFormat format);

} // namespace vantrel

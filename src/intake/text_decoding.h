#pragma once

#include <string>

namespace vantrel {

// The bytes of a file as the text a paste of them would hand the intake: UTF-8. A UTF-16 byte-order
// mark (either order) makes the rest UTF-16, whose unpaired surrogates become U+FFFD as the
// clipboard's decoder makes them; so does a text without a mark whose first units have a NUL byte on
// one side of every second pair at least and never on the other (UTF-16 of mostly ASCII, in either
// order); a UTF-8 byte-order mark is dropped; anything else is kept as it is.
std::string textOfFile(std::string bytes);

} // namespace vantrel

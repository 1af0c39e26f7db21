#pragma once

#include <string>
#include <string_view>

namespace vantrel {

enum class ExistingFile { Replace, Keep };

// The one way the program writes a file. The bytes go to a temporary file beside `path`, are flushed
// to the disk and only then renamed to `path`, so a failure (a full disk, no permission, a missing
// folder) leaves neither a partial file nor a damaged old one. A path that names something other than
// a regular file (a pipe, a terminal, /dev/stdout) is written to directly, since it cannot be replaced.
// With ExistingFile::Keep an existing `path` is left alone and reported. Returns the empty text, or
// the system's reason the file could not be written.
std::string writeFileAtomically(const std::string& path, std::string_view bytes,
                                ExistingFile existing = ExistingFile::Replace);

// Writes all of `bytes` to an open descriptor, through interrupted and partial writes. Returns the
// empty text, or the system's reason.
std::string writeAll(int descriptor, std::string_view bytes);

// The folder that holds `path`, where its temporary file goes: "." for a bare name, "/" for a name
// directly under the root (a temporary elsewhere could lie on another file system, where no rename
// reaches).
std::string folderOf(const std::string& path);

} // namespace vantrel

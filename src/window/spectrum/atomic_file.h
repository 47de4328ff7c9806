#pragma once

#include <optional>
#include <string>

// Replaces the file at path (UTF-8) with bytes: written to a new file in the same folder,
// checked on disk, then renamed over the target, so a failed or interrupted save leaves the
// old file as it was. Through links the file they point at is replaced, keeping its owner and
// mode; an existing file the user may not write is refused, not replaced. Returns nothing on
// success, otherwise why it failed.
//
// QSaveFile is not enough here: when the disk fills up mid-write (a short write, then an
// error) it still commits the cut file over the old one.
std::optional<std::string> writeFileAtomically(const std::string& path, const std::string& bytes);

#pragma once
// Files on disk: the documents directory and the few file operations the application needs.
#include <cstdint>
#include <optional>
#include <string>

namespace tessaly::platform {

// The user's documents directory, without a trailing slash. Default:
// $XDG_DATA_HOME/tessaly/Documents (XDG_DATA_HOME defaults to ~/.local/share). Created on first
// call after the root was set or changed; if it cannot be created the path is still returned.
std::string documentsDirectory();
// Sets the directory itself (the program's --documents option, tests). Empty: back to default.
void setDocumentsDirectory(const std::string& path);

bool isReadableFile(const std::string& path);
// The size in bytes of a file, nullopt when there is none.
std::optional<std::uintmax_t> fileSize(const std::string& path);
std::optional<std::string> readFile(const std::string& path);
// Writes a temporary file beside path, flushes it and renames it over path, so a reader sees
// either the old or the new content, never a half-written file. A file that is replaced keeps
// its permission bits; a new file gets 0644. False on any failure; the temporary file is then
// gone and the old file untouched, and failure (when given) says which step failed and why.
bool writeFileAtomically(const std::string& path, const std::string& data,
                         std::string* failure = nullptr);

}  // namespace tessaly::platform

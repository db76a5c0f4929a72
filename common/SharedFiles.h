#pragma once
// Files that every driver instance on the machine shares and rewrites while
// others may read them: each is written whole beside its place and then moved
// over the old one in one step, so a reader never meets half a file and a crash
// while writing leaves the previous one intact.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace svcgate {

// How long a writer waits for a reader to let go of the file it replaces.
constexpr DWORD ReplaceWaitMs = 5000;

// `write` fills a new file of the given name in the same folder; it then reaches
// the disk and takes the place of `path`, waiting at most `waitMs` for a reader
// that holds it.
void ReplaceFile(const std::wstring& path, const std::function<void(const std::wstring&)>& write,
                 DWORD waitMs = ReplaceWaitMs);

// The bytes of a file, none when there is no such file.
std::optional<std::string> ReadSharedFile(const std::wstring& path);

} // namespace svcgate

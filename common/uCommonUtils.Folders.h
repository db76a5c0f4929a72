#pragma once
// Folders, and the one data folder that every driver instance on the machine
// shares, open to every user of it.

#include <string>

namespace svcgate {

// The path with a "\\" at its end; an empty path gives "\\" alone.
std::wstring IncludeTrailingPathDelimiter(std::wstring path);
bool DirectoryExists(const std::wstring& path);
// A file, not a folder, is there to be opened (the help file, today's log).
bool FileExists(const std::wstring& path);

// A shell special folder with a trailing delimiter, created when missing. Falls
// back to the current user's application data folder when the shell refuses `csidl`.
std::wstring GetSpecialFolder(int csidl);
std::wstring GetCommonAppDataFolder();
// The folder all driver instances on the machine share, with a trailing delimiter.
std::wstring GetDataFolder();
// Creates a folder together with any missing parents; true when it made the folder,
// false when the folder was there already.
bool ForceDirectories(const std::wstring& path);
// Adds an inheritable full-access entry for Everyone unless one is there already.
void GrantEveryoneFullAccess(const std::wstring& path);
// A folder that every user of the machine may write: created with any missing
// parents and opened to Everyone when it is missing; an existing folder keeps its
// access list. The path with a trailing delimiter.
std::wstring EnsureSharedFolder(const std::wstring& path);

} // namespace svcgate

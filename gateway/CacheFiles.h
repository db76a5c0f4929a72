#pragma once
// The gateway client's cache files in the data folder, which every driver
// instance on the machine shares: the lock that keeps them one set, and the INI
// and line files among them, each replaced in one step (common/SharedFiles.h).

#include "common/Owners.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace svcgate {

// A lock that every driver instance on the machine takes by name, whichever
// user's session and bitness it runs in. A process that ended while holding it
// leaves it to the next taker. One that waits too long gives up, so that a stuck
// process cannot hold every cash desk of the machine: Held() is false then.
class MachineLock {
public:
    MachineLock(const std::wstring& name, DWORD waitMs);
    MachineLock(const MachineLock&) = delete;
    MachineLock& operator=(const MachineLock&) = delete;
    bool Held() const { return static_cast<bool>(owned_); }

private:
    unique_handle mutex_;
    // Released before the mutex's handle is closed.
    unique_mutex_ownership owned_;
};

// The cache files are one set: the configuration identifier of one refresh must
// never be read beside the catalogue of another. Whoever reads or writes the set
// holds this lock meanwhile; one that did not get it neither writes the set nor
// trusts what it would read of it.
class CacheFilesLock : public MachineLock {
public:
    CacheFilesLock();
};

// When and how large a file was last written: what was read from it need not be
// read again while this stays the same.
struct FileStamp {
    FILETIME written{};
    ULONGLONG size = 0;
    bool operator==(const FileStamp& other) const;
};
// None when there is no such file.
std::optional<FileStamp> StampOf(const std::wstring& path);

// One value of an INI file; empty when the key is missing.
std::wstring ReadIniText(const std::wstring& path, const wchar_t* section, const wchar_t* key);
// Sets one value, keeping the rest of the file.
void WriteIniText(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                  const std::wstring& value);

// The lines of a text file: a byte order mark says its encoding, else it is in
// the ANSI code page.
std::vector<std::wstring> ReadTextLines(const std::wstring& path);
// Lines in the ANSI code page, each ended by CR LF, without a byte order mark.
void WriteTextLines(const std::wstring& path, const std::vector<std::wstring>& lines);

} // namespace svcgate

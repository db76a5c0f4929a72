// verify-signature FILE...: what the platform's Authenticode policy says of each
// file's signature, as WinVerifyTrust's result (0x00000000 when it verifies), one
// line a file. Windows' file properties, `signtool verify /pa` and
// Get-AuthenticodeSignature ask the same policy.

#include "common/Text.h"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstdio>
#include <string>

using namespace svcgate;

namespace {

LONG VerifyFile(const std::wstring& path) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    // The test authority names no revocation list; nothing is fetched.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    GUID policy = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    return WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &policy, &data);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("verify-signature.exe FILE...\n", stderr);
        return 2;
    }
    for (int i = 1; i < argc; ++i)
        std::printf("0x%08lX\n", static_cast<unsigned long>(VerifyFile(AnsiToWide(argv[i]))));
    return 0;
}

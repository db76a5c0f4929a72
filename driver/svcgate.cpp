// The module's entry points: the host's equipment manager creates the driver
// by its ProgID, and installation registers it with regsvr32, for the machine
// or, with "regsvr32 /n /i:user", for the current user alone.

#include "common/ComServer.h"
#include "driver/uDriver.h"
#include "driver/uDriverTexts.h"

#include <cwchar>

namespace {

using namespace svcgate;

com_ptr<IUnknown> CreateDriver() {
    return com_ptr<IUnknown>::share(TBaseObject::Create<TDriver>().get());
}

const ComClass served{
    {0x5b7e2c91, 0x3d4a, 0x4f08, {0x9e, 0x61, 0xa2, 0x7c, 0x0d, 0x94, 0xb3, 0xf5}},
    DriverTexts::ProgID,
    DriverTexts::ClassDescription,
    CreateDriver,
};

// A shop without administrator rights installs for its own user.
HKEY ScopeOf(LPCWSTR commandLine) {
    return commandLine && _wcsicmp(commandLine, L"user") == 0 ? HKEY_CURRENT_USER
                                                              : HKEY_LOCAL_MACHINE;
}

} // namespace

SVCGATE_COM_SERVER_ENTRY_POINTS(served)

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    const HKEY scope = ScopeOf(commandLine);
    return install ? RegisterComClass(served, scope) : UnregisterComClass(served, scope);
}

// The module's entry points: the host's equipment manager creates the driver
// by its ProgID, and installation registers it with regsvr32.

#include "common/ComServer.h"
#include "terminal/uBaseServiceTerminal.h"

namespace {

using namespace svcgate;

// The service terminal answers every service method with "not supported" until
// the gateway client serves them.
com_ptr<IUnknown> CreateDriver() {
    return com_ptr<IUnknown>::share(TBaseObject::Create<TBaseServiceTerminal>().get());
}

const ComClass served{
    {0x5b7e2c91, 0x3d4a, 0x4f08, {0x9e, 0x61, 0xa2, 0x7c, 0x0d, 0x94, 0xb3, 0xf5}},
    L"OrtaEq.SvcGateServiceTerminal",
    L"8.2 Equipment Driver 2.0",
    CreateDriver,
};

} // namespace

SVCGATE_COM_SERVER_ENTRY_POINTS(served)

STDAPI DllInstall(BOOL install, LPCWSTR) {
    return install ? RegisterComClass(served) : UnregisterComClass(served);
}

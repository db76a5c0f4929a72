// The entry points of the stand-in's module, so that a script host can create
// it by its ProgID.

#include "eqmanager/EqManager.h"

#include "common/ComServer.h"

namespace {

using namespace svcgate;

com_ptr<IUnknown> CreateForHost() {
    return com_ptr<IUnknown>::share(tools::CreateEqManager().get());
}

const ComClass served{
    // {C495FEF2-DFC8-452A-80ED-48388F22D42F}
    {0xc495fef2, 0xdfc8, 0x452a, {0x80, 0xed, 0x48, 0x38, 0x8f, 0x22, 0xd4, 0x2f}},
    tools::EqManagerProgId,
    L"SvcGate test equipment manager",
    CreateForHost,
};

} // namespace

SVCGATE_COM_SERVER_ENTRY_POINTS(served)

#include "Host.h"

#include <gtest/gtest.h>

namespace svcgate::test {

bool CallPublic(IDispatch* object, const std::wstring& name, const VARIANT& InData,
                unique_variant& OutData) {
    CallResult call =
        Call(object, name, EquipmentArguments(unique_variant::copy_of(InData), OutData));
    EXPECT_EQ(call.hr, S_OK) << "calling " << std::string(name.begin(), name.end());
    return AnsweredTrue(call.result);
}

} // namespace svcgate::test

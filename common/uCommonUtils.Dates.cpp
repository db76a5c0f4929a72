#include "common/uCommonUtils.Dates.h"

#include "common/Exception.h"
#include "common/Text.h"

#include <windows.h>

#include <oleauto.h>

#include <cmath>

namespace svcgate {

std::wstring DateToText(double oleDate) {
    // The time of day would be rounded to whole seconds, which can tip 23:59:59.6 into the
    // next day; a date part alone cannot.
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(std::trunc(oleDate), &time))
        CheckHResult(DISP_E_OVERFLOW);
    return FormatText(L"%.2d.%.2d.%.4d", time.wDay, time.wMonth, time.wYear);
}

double TimeOfDayNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const double seconds = now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond;
    return (seconds + now.wMilliseconds / 1000.0) / 86400.0;
}

} // namespace svcgate

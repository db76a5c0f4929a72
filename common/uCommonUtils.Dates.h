#pragma once
// Automation dates (days since 30 December 1899, the time of day as a fraction):
// their text on the wire and the local clock's time of day.

#include <string>

namespace svcgate {

// "dd.mm.yyyy" of an automation date.
std::wstring DateToText(double oleDate);

// The local clock's time of day as a fraction of a day (0.5 is noon).
double TimeOfDayNow();

} // namespace svcgate

#pragma once
// Calendar arithmetic on the proleptic Gregorian calendar, independent of
// time zones and of the C library's time_t range.
#include <cstdint>

// Days since 1970-01-01 of a date (month 1..12, day 1..31).
int64_t DaysFromCivil(int64_t year, int month, int day);
// The date of a day count since 1970-01-01.
void CivilFromDays(int64_t days, int64_t& year, int& month, int& day);

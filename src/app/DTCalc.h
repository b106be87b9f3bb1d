#pragma once
// The date-difference calculator: a non-visual component that splits the span from StartTime
// to EndTime into whole years, months, days, hours, minutes, seconds and milliseconds. Each
// result is the whole span counted in that unit (26 hours is also 1 day), truncated toward
// zero, so an end before the start gives negative values.
//
// The span is taken in exact milliseconds on the runtime's millisecond time line, so
// 08:00 to 09:00 is exactly one hour whatever the floating-point day numbers look like.
// Months are 30.4375 days and years 365.25 days (the average lengths). Every result keeps only
// the low 32 bits of its count; a start or end that is no number (NaN, infinity) gives -1 in
// every unit.

#include "platform/classes/Components.h"
#include "platform/rtl/DateTime.h"

#include <cstdint>

class TDTCalc : public TComponent {
public:
    explicit TDTCalc(TComponent* owner);
    const char* ClassName() const noexcept override { return "TDTCalc"; }
    static void RegisterClass();

    TDateTime StartTime() const noexcept { return startTime_; }
    TDateTime EndTime() const noexcept { return endTime_; }
    // Store the value and recalculate at once.
    void SetStartTime(TDateTime value);
    void SetEndTime(TDateTime value);

    void Recalculate();

    int32_t Years = 0;
    int32_t Months = 0;
    int32_t Days = 0;
    int32_t Hours = 0;
    int32_t Minutes = 0;
    int32_t Seconds = 0;
    int32_t Milliseconds = 0;

private:
    TDateTime startTime_ = 0;
    TDateTime endTime_ = 0;
};

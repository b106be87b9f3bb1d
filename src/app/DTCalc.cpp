#include "app/DTCalc.h"

#include "platform/classes/PropertyRegistry.h"

#include <cmath>

namespace {

constexpr int64_t kMillisecondsPerSecond = 1000;
constexpr int64_t kMillisecondsPerMinute = 60 * kMillisecondsPerSecond;
constexpr int64_t kMillisecondsPerHour = 60 * kMillisecondsPerMinute;
// 30.4375 and 365.25 days, both whole numbers of milliseconds.
constexpr int64_t kMillisecondsPerMonth = 2'629'800'000;
constexpr int64_t kMillisecondsPerYear = 31'557'600'000;
static_assert(kMillisecondsPerMonth * 10000 == 304375 * MSecsPerDay);
static_assert(kMillisecondsPerYear * 100 == 36525 * MSecsPerDay);

// The low 32 bits of a count, read as a signed number.
int32_t Low32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

}  // namespace

TDTCalc::TDTCalc(TComponent* owner) : TComponent(owner)
{
    Recalculate();
}

void TDTCalc::RegisterClass()
{
    static const bool registered = [] {
        TClassRegistration<TDTCalc, TComponent>("TDTCalc")
            .Component()
            .Float("StartTime", &TDTCalc::StartTime, &TDTCalc::SetStartTime)
            .Float("EndTime", &TDTCalc::EndTime, &TDTCalc::SetEndTime);
        return true;
    }();
    (void)registered;
}

void TDTCalc::SetStartTime(TDateTime value)
{
    startTime_ = value;
    Recalculate();
}

void TDTCalc::SetEndTime(TDateTime value)
{
    endTime_ = value;
    Recalculate();
}

void TDTCalc::Recalculate()
{
    if (!std::isfinite(startTime_) || !std::isfinite(endTime_)) {
        Years = Months = Days = Hours = Minutes = Seconds = Milliseconds = -1;
        return;
    }
    // Integer division truncates toward zero, for negative spans too.
    const int64_t span = MillisecondsBetween(startTime_, endTime_);
    Milliseconds = Low32(span);
    Seconds = Low32(span / kMillisecondsPerSecond);
    Minutes = Low32(span / kMillisecondsPerMinute);
    Hours = Low32(span / kMillisecondsPerHour);
    Days = Low32(span / MSecsPerDay);
    Months = Low32(span / kMillisecondsPerMonth);
    Years = Low32(span / kMillisecondsPerYear);
}

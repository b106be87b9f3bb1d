#include "widgets/KitClass.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"
#include "widgets/KitIniCtrl.h"
#include "widgets/KitXPStyles.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int kGlobalTimerStep = 50;

// A global timer's interval: rounded up to whole ticks of the application's pool.
int RoundToTicks(int interval)
{
    interval = std::clamp(interval, 0, 0xFFFF);
    return std::max(kGlobalTimerStep, (interval + kGlobalTimerStep - 1) / kGlobalTimerStep * kGlobalTimerStep);
}

int NextCount(int value)
{
    return value == INT_MAX ? 0 : value + 1;
}

}  // namespace

// ---- TKitTimerItem ----

void TKitTimerItem::SetEnabled(bool value)
{
    if (value && callLimit_ == 0) {
        return;
    }
    enabled_ = value;
    counter_ = 0;
    if (value && !pool_.Running()) {
        pool_.Activate(true);
    }
}

void TKitTimerItem::SetInterval(int value)
{
    const int minInterval = pool_.MinInterval();
    if (value < 0 || value % minInterval != 0) {
        return;
    }
    interval_ = value;
    ticksPerFiring_ = std::max(1, value / minInterval);
    counter_ = 0;
}

// ---- TKitTimerPool ----

TKitTimerPool::TKitTimerPool(TComponent* owner, int minInterval) : TKitCustomComponent(owner), minInterval_(std::max(1, minInterval))
{
}

TKitTimerPool::~TKitTimerPool()
{
    if (platformTimer_) {
        platformTimer_->OnTimer = nullptr;
    }
}

void TKitTimerPool::SetMinInterval(int value)
{
    if ((IsLoading() || IsDesigning()) && value > 0) {
        minInterval_ = value;
    }
}

int TKitTimerPool::AddTimer(uint16_t identifier, int interval, TNotifyEvent handler, TKitTimer* timer)
{
    if (FindTimer(identifier) != nullptr) {
        throw EListError("List index out of bounds (" + std::to_string(identifier) + ")");
    }
    if (interval < minInterval_ || interval % minInterval_ != 0) {
        throw Exception("Interval not compatible with MinInterval property!");
    }
    auto item = std::make_unique<TKitTimerItem>(*this, identifier);
    item->interval_ = interval;
    item->ticksPerFiring_ = std::max(1, interval / minInterval_);
    item->Handler = std::move(handler);
    item->Timer = timer;
    items_.push_back(std::move(item));
    Activate(true);
    return static_cast<int>(items_.size()) - 1;
}

void TKitTimerPool::RemoveTimer(uint16_t identifier)
{
    TKitTimerItem* item = FindTimer(identifier);
    if (item == nullptr) {
        return;
    }
    removing_ = true;
    item->enabled_ = false;
    item->removed_ = true;
    // During a tick the item's handler may be the one running: it is freed when the tick ends.
    if (!inTick_) {
        std::erase_if(items_, [item](const auto& entry) { return entry.get() == item; });
    }
    removing_ = false;
    if (Count() == 0) {
        Activate(false);
    }
}

TKitTimerItem* TKitTimerPool::FindTimer(uint16_t identifier) const
{
    for (const auto& item : items_) {
        if (!item->removed_ && item->identifier_ == identifier) {
            return item.get();
        }
    }
    return nullptr;
}

int TKitTimerPool::Count() const
{
    return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](const auto& item) { return !item->removed_; }));
}

void TKitTimerPool::Activate(bool on)
{
    if (IsDesigning()) {
        return;
    }
    if (!platformTimer_) {
        platformTimer_ = std::make_unique<TTimer>(nullptr);
        platformTimer_->SetEnabled(false);
        platformTimer_->OnTimer = [this](TObject*) { Tick(); };
    }
    platformTimer_->SetEnabled(false);
    running_ = false;
    const bool anyEnabled = std::any_of(items_.begin(), items_.end(), [](const auto& item) { return item->enabled_ && !item->removed_; });
    if (on && anyEnabled) {
        platformTimer_->SetInterval(minInterval_);
        platformTimer_->SetEnabled(true);
        running_ = true;
    }
    tickCounter_ = 1;
}

void TKitTimerPool::Tick()
{
    if (inTick_ || removing_) {
        return;
    }
    inTick_ = true;
    try {
        FireItems();
    } catch (const std::exception& error) {
        // The pool must go on ticking whatever a handler did: end the tick first, then report.
        EndTick();
        if (Application == nullptr) {
            throw;
        }
        Application->HandleException(this, error);
        return;
    } catch (...) {
        EndTick();
        throw;
    }
    EndTick();
}

void TKitTimerPool::FireItems()
{
    // Items added by a handler wait for the next tick.
    const size_t count = items_.size();
    for (size_t i = 0; i < count; ++i) {
        TKitTimerItem& item = *items_[i];
        if (!item.enabled_ || item.removed_ || tickCounter_ % item.ticksPerFiring_ != 0) {
            continue;
        }
        item.counter_ = NextCount(item.counter_);
        if (item.counter_ == item.callLimit_) {
            item.enabled_ = false;
        }
        if (item.Handler) {
            item.Handler(item.Timer);
        } else if (OnTimer) {
            OnTimer(this, item.identifier_, item.counter_);
        }
    }
}

void TKitTimerPool::EndTick()
{
    tickCounter_ = NextCount(tickCounter_);
    inTick_ = false;
    const bool hadItems = !items_.empty();
    std::erase_if(items_, [](const auto& item) { return item->removed_; });
    if (hadItems && items_.empty()) {
        Activate(false);
    }
}

// ---- one instance per form ----

KitEOneInstError::KitEOneInstError(const std::string& name, int kind)
    : Exception(name + ":\r" +
                (kind == 0 ? std::string("Invalid owner (<>TForm) or second instance on a form")
                           : "Already one " + name + " control in this project!"))
{
}

bool KitCheckOneInstance(const TComponent& component, std::string_view className, bool)
{
    const auto* form = dynamic_cast<const TCustomForm*>(component.Owner());
    if (form == nullptr) {
        return true;
    }
    int count = 0;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        const TComponent* owned = form->Components(i);
        const TClassInfo* info = GetClassInfo(*owned);
        if (info != nullptr ? info->InheritsFrom(className) : SameText(owned->ClassName(), className)) {
            ++count;
        }
    }
    return count > 1;
}

// ---- TKitApplication ----

TKitApplication::TKitApplication(const std::string& programFileName)
    : TComponent(nullptr), programFileName_(programFileName), logFile_(ChangeFileExt(programFileName, ".LOG"))
{
    instance_ = std::make_unique<TSingleInstance>(AnsiUpperCase(ExtractFileName(programFileName)));
    secondInstance_ = !instance_->Acquired();
    timerPool_ = new TKitTimerPool(this, kGlobalTimerStep);
    iniCtrl_ = new TKitIniCtrl(this);
}

TKitApplication::~TKitApplication()
{
    DestroyComponents();
}

void TKitApplication::SetLogFile(const std::string& name)
{
    std::string file = name.empty() ? ChangeFileExt(programFileName_, ".LOG") : name;
    if (ExtractFileExt(file).empty()) {
        file += ".LOG";
    }
    logFile_ = logPrefix_ == TKitPathPrefix::ppFixed ? file : KitGetPrefixPath(logPrefix_, true) + ExtractFileName(file);
}

bool TKitApplication::Themed() const
{
    return KitThemeActive();
}

bool TKitApplication::XPLook() const
{
    return xpLook_ && Themed();
}

void TKitApplication::SetXPLook(bool value)
{
    if (value == xpLook_ || (value && !Themed())) {
        return;
    }
    xpLook_ = value;
    // Telling the forms of the switch (KitThemeChangeEvent to their controls) needs the theme
    // library; without it nothing was drawn themed and nothing needs redrawing.
}

void TKitApplication::RefreshThemed()
{
    xpLook_ = Themed();
}

const QImage& TKitApplication::DitherBitmap(TColor color)
{
    if (color == ditherColor_ && !ditherBitmap_.isNull()) {
        return ditherBitmap_;
    }
    if (ditherBitmap_.isNull()) {
        ditherBitmap_ = QImage(8, 8, QImage::Format_RGB32);
        ditherBitmap_.fill(Qt::white);
    }
    const QRgb pixel = ToQColor(color).rgb();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if ((x + y) % 2 != 0) {
                ditherBitmap_.setPixel(x, y, pixel);
            }
        }
    }
    ditherColor_ = color;
    return ditherBitmap_;
}

uint16_t TKitApplication::AddGlobalTimer(int interval, TNotifyEvent handler, TKitTimer* timer)
{
    const auto free = std::find(slots_.begin(), slots_.end(), false);
    if (free == slots_.end()) {
        return 0;
    }
    const auto identifier = static_cast<uint16_t>(kitGlobalTimerBase + (free - slots_.begin()) + 1);
    try {
        timerPool_->AddTimer(identifier, interval, std::move(handler), timer);
    } catch (const Exception&) {
        return 0;
    }
    *free = true;
    return identifier;
}

void TKitApplication::RemoveGlobalTimer(uint16_t identifier)
{
    if (identifier <= kitGlobalTimerBase || identifier > kitGlobalTimerBase + kitGlobalTimerSlots) {
        return;
    }
    timerPool_->RemoveTimer(identifier);
    slots_[static_cast<size_t>(identifier - kitGlobalTimerBase - 1)] = false;
}

TKitTimerItem* TKitApplication::GlobalTimerItem(uint16_t identifier) const
{
    return timerPool_->FindTimer(identifier);
}

TKitApplication& KitApplication()
{
    static TKitApplication* application = new TKitApplication(ApplicationExeName());  // lives as long as the program
    return *application;
}

// ---- TKitTimer ----

TKitTimer::TKitTimer(int interval, bool global, bool enabled, TNotifyEvent handler) : OnTimer(std::move(handler))
{
    if (global) {
        application_ = &KitApplication();
        StartGlobal(interval);
    } else {
        interval_ = std::max(0, interval);
        timer_ = std::make_unique<TTimer>(nullptr);
        timer_->SetInterval(interval_);
        timer_->OnTimer = [this](TObject*) { Fire(); };
    }
    SetEnabled(enabled);
}

TKitTimer::TKitTimer(TKitApplication& application, int interval, bool enabled, TNotifyEvent handler)
    : OnTimer(std::move(handler)), application_(&application)
{
    StartGlobal(interval);
    SetEnabled(enabled);
}

TKitTimer::~TKitTimer()
{
    if (application_ != nullptr) {
        application_->RemoveGlobalTimer(timerID_);
    } else if (timer_) {
        timer_->OnTimer = nullptr;
    }
}

void TKitTimer::StartGlobal(int interval)
{
    interval_ = RoundToTicks(interval);
    timerID_ = application_->AddGlobalTimer(interval_, [this](TObject*) { Fire(); }, this);
    if (timerID_ == 0) {
        throw EOutOfResources("Not enough timers available");
    }
}

void TKitTimer::SetEnabled(bool value)
{
    enabled_ = value;
    if (application_ != nullptr) {
        if (TKitTimerItem* item = application_->GlobalTimerItem(timerID_)) {
            item->SetEnabled(value);
        }
    } else {
        timer_->SetEnabled(value);
    }
}

void TKitTimer::SetInterval(int value)
{
    if (application_ != nullptr) {
        interval_ = RoundToTicks(value);
        if (TKitTimerItem* item = application_->GlobalTimerItem(timerID_)) {
            item->SetInterval(interval_);
        }
    } else {
        interval_ = std::max(0, value);
        timer_->SetInterval(interval_);
    }
}

void TKitTimer::Fire()
{
    // A handler may free the timer that runs it: it runs from a copy.
    if (const TNotifyEvent handler = OnTimer) {
        handler(this);
    }
}

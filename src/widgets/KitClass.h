#pragma once
// The kit application object, its timer pool and the kit's timers.
//
// One TKitApplication (KitApplication()) carries kit-wide settings and services: the themed
// look, the second-instance flag, the log file name, the dither brush of latched buttons, and a
// pool of global timers that ticks every 50 ms, which controls use instead of a platform timer
// each (TKitTimer).
//
// The timer pool: every MinInterval milliseconds its platform timer calls Tick(), which fires,
// in list order, each enabled item whose ticks-per-firing divides the tick counter. Tests call
// Tick() themselves to inject ticks. Items removed while a tick runs are freed when it ends.

#include "platform/gui/Graphics.h"
#include "platform/rtl/Exceptions.h"
#include "widgets/KitBase.h"
#include "widgets/KitProcs.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TKitIniCtrl;
class TKitTimer;
class TKitTimerPool;
class TSingleInstance;
class TTimer;

// (sender, identifier, call count) for pool items without a handler of their own.
using TKitTimerPoolEvent = std::function<void(TObject* sender, int identifier, int count)>;

class TKitTimerItem {
public:
    TKitTimerItem(TKitTimerPool& pool, uint16_t identifier) : pool_(pool), identifier_(identifier) {}

    uint16_t Identifier() const noexcept { return identifier_; }
    // Firings before the item disables itself; -1 without limit.
    int CallLimit() const noexcept { return callLimit_; }
    void SetCallLimit(int value) { callLimit_ = value; }
    int Counter() const noexcept { return counter_; }
    bool Enabled() const noexcept { return enabled_; }
    // Switching on needs a call limit other than 0; either way the counter restarts.
    void SetEnabled(bool value);
    int Interval() const noexcept { return interval_; }
    // Ignored unless a whole multiple of the pool's MinInterval; restarts the counter.
    void SetInterval(int value);
    int TicksPerFiring() const noexcept { return ticksPerFiring_; }

    // Called with the item's timer as sender; without it the pool's OnTimer runs.
    TNotifyEvent Handler;
    TKitTimer* Timer = nullptr;

private:
    friend class TKitTimerPool;
    TKitTimerPool& pool_;
    uint16_t identifier_;
    int callLimit_ = -1;
    int counter_ = 0;
    bool enabled_ = true;
    int interval_ = 1000;
    int ticksPerFiring_ = 1;
    bool removed_ = false;
};

class TKitTimerPool : public TKitCustomComponent {
public:
    explicit TKitTimerPool(TComponent* owner, int minInterval = 1000);
    ~TKitTimerPool() override;
    const char* ClassName() const noexcept override { return "TKitTimerPool"; }

    // Milliseconds of one tick; may be changed only while loading or designing.
    int MinInterval() const noexcept { return minInterval_; }
    void SetMinInterval(int value);

    // Adds an item and starts the pool; answers its index. A known identifier raises EListError
    // "List index out of bounds (<identifier>)"; an interval below MinInterval or not a whole
    // multiple of it raises "Interval not compatible with MinInterval property!".
    int AddTimer(uint16_t identifier, int interval, TNotifyEvent handler, TKitTimer* timer);
    // Removes the item (unknown identifiers are ignored); the pool stops with its last item.
    void RemoveTimer(uint16_t identifier);
    TKitTimerItem* FindTimer(uint16_t identifier) const;
    int Count() const;

    // Stops the platform timer and, switching on with an enabled item, starts it again; the
    // tick counter restarts at 1.
    void Activate(bool on);
    bool Running() const noexcept { return running_; }
    int TickCounter() const noexcept { return tickCounter_; }

    // One tick. Ignored while a tick runs. An exception from a handler ends the tick; the pool
    // stays ready for the next one and the exception goes to the application's error display
    // (or on to the caller when there is no application).
    void Tick();

    TKitTimerPoolEvent OnTimer;

private:
    friend class TKitTimerItem;
    void FireItems();
    void EndTick();

    int minInterval_;
    std::vector<std::unique_ptr<TKitTimerItem>> items_;
    std::unique_ptr<TTimer> platformTimer_;
    int tickCounter_ = 1;
    bool running_ = false;
    bool inTick_ = false;
    bool removing_ = false;
};

// The kit's error for a component that may sit only once on a form.
class KitEOneInstError : public Exception {
public:
    // kind 0: "<name>:\r" + "Invalid owner (<>TForm) or second instance on a form";
    // kind 1: "<name>:\r" + "Already one <name> control in this project!".
    KitEOneInstError(const std::string& name, int kind);
    const char* ClassName() const noexcept override { return "KitEOneInstError"; }
};

// True when the component breaks the one-per-form rule: its owner is not a form, or the owner
// holds more than one component of the class. (This layer has no data modules.)
bool KitCheckOneInstance(const TComponent& component, std::string_view className, bool allowDataModules = false);

constexpr int kitGlobalTimerSlots = 250;
constexpr uint16_t kitGlobalTimerBase = 0xFD00;

class TKitApplication : public TComponent {
public:
    // `programFileName`: the program file whose name the log file and the instance guard take.
    explicit TKitApplication(const std::string& programFileName);
    ~TKitApplication() override;
    const char* ClassName() const noexcept override { return "TKitApplication"; }

    // Bit 0: the palette option of the drawing routines.
    uint8_t Options() const noexcept { return options_; }
    void SetOptions(uint8_t value) { options_ = value; }
    TKitPathPrefix LogPrefix() const noexcept { return logPrefix_; }
    void SetLogPrefix(TKitPathPrefix value) { logPrefix_ = value; }
    const std::string& LogFile() const noexcept { return logFile_; }
    // Empty: the program's name with ".LOG"; a name without extension gets ".LOG"; unless the
    // prefix is ppFixed, the file part goes into the prefix's folder.
    void SetLogFile(const std::string& name);
    // The delay of the dialogs' opening effects.
    int EffectDelay() const noexcept { return effectDelay_; }
    void SetEffectDelay(int value) { effectDelay_ = value; }
    bool RedrawForm() const noexcept { return redrawForm_; }
    void SetRedrawForm(bool value) { redrawForm_ = value; }
    const std::string& TagText() const noexcept { return tagText_; }
    // Another copy of the program was running when this one started.
    bool SecondInstance() const noexcept { return secondInstance_; }

    // The themed look: on only while the platform's theme is active (never on this system).
    bool Themed() const;
    bool XPLook() const;
    void SetXPLook(bool value);
    void RefreshThemed();

    // An 8 x 8 brush picture: pixels whose x and y differ in parity take the colour.
    const QImage& DitherBitmap(TColor color);
    // The size of one check-box glyph of the system's check-box picture.
    int CheckBoxGlyphWidth() const noexcept { return 13; }
    int CheckBoxGlyphHeight() const noexcept { return 13; }
    // Ticks per second of the high-resolution clock.
    int64_t PerformanceFrequency() const noexcept { return 1000000000; }

    TKitTimerPool& TimerPool() noexcept { return *timerPool_; }
    TKitIniCtrl& IniCtrl() noexcept { return *iniCtrl_; }

    // Takes the first free of 250 slots and adds a pool item with identifier 0xFD00 + slot;
    // 0 when every slot is taken or the pool refuses the item.
    uint16_t AddGlobalTimer(int interval, TNotifyEvent handler, TKitTimer* timer);
    void RemoveGlobalTimer(uint16_t identifier);
    TKitTimerItem* GlobalTimerItem(uint16_t identifier) const;

private:
    uint8_t options_ = 0x36;
    TKitPathPrefix logPrefix_ = TKitPathPrefix::ppProgram;
    std::string programFileName_;
    std::string logFile_;
    int effectDelay_ = 3;
    QImage ditherBitmap_;
    TColor ditherColor_ = clNone;
    bool xpLook_ = true;
    bool redrawForm_ = false;
    std::string tagText_ = "#tdl";
    std::unique_ptr<TSingleInstance> instance_;
    bool secondInstance_ = false;
    TKitTimerPool* timerPool_ = nullptr;  // owned component
    TKitIniCtrl* iniCtrl_ = nullptr;      // owned component
    std::array<bool, kitGlobalTimerSlots> slots_{};
};

// The one kit application object, made on first use for the running program.
TKitApplication& KitApplication();

// A timer for controls (auto-repeat, blinking). A global timer runs on an application's pool
// with its interval rounded up to a multiple of 50 ms; another one runs on a platform timer.
class TKitTimer : public TObject {
public:
    // A global timer on KitApplication()'s pool, or a timer of its own.
    TKitTimer(int interval, bool global, bool enabled, TNotifyEvent handler);
    // A global timer on the given application's pool. EOutOfResources "Not enough timers
    // available" when the pool has no room.
    TKitTimer(TKitApplication& application, int interval, bool enabled, TNotifyEvent handler);
    ~TKitTimer() override;
    TKitTimer(const TKitTimer&) = delete;
    TKitTimer& operator=(const TKitTimer&) = delete;
    const char* ClassName() const noexcept override { return "TKitTimer"; }

    bool Global() const noexcept { return application_ != nullptr; }
    uint16_t TimerID() const noexcept { return timerID_; }
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value);
    int Interval() const noexcept { return interval_; }
    void SetInterval(int value);

    // Runs with the TKitTimer as sender.
    TNotifyEvent OnTimer;

private:
    void StartGlobal(int interval);
    void Fire();

    TKitApplication* application_ = nullptr;
    uint16_t timerID_ = 0;
    bool enabled_ = true;
    int interval_ = 0;
    std::unique_ptr<TTimer> timer_;
};

#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tv {

// ---- Application seams -------------------------------------------------------------------

// Whether the application is in the foreground. Follows QGuiApplication's application state
// (Qt::ApplicationActive is active, every other state inactive) unless a simulated state is
// set. Without a QGuiApplication the application counts as active.
bool IsApplicationActive();

// Activation notices. A hook sees every change between active and inactive, with the new
// state. Hooks run in the order they were added; a hook removed during a notice is skipped.
using AppActivationHook = std::function<void(bool active)>;
int AddAppActivationHook(AppActivationHook hook);
void RemoveAppActivationHook(int id);

// Replaces the platform's answer (tests, hosts without a window manager): sets the state and
// delivers the notice to every hook, whether or not the state changed.
void SimulateApplicationActive(bool active);
// Back to the platform's answer; delivers no notice.
void EndApplicationActiveSimulation();

// The application's idle handler: while one is installed it runs on every idle pass of the
// event loop (a zero-interval QTimer, which Qt fires whenever the event queue is empty).
// There is one handler per application: installing replaces the current one. Install
// returns a token; clearing with a token that no longer owns the handler does nothing.
using IdleHandler = std::function<void()>;
int SetApplicationIdleHandler(IdleHandler handler);
void ClearApplicationIdleHandler(int token);
bool HasApplicationIdleHandler();
// Runs the installed handler once, as an idle pass would; false when none is installed.
bool RunApplicationIdle();
// Lets the event loop sleep: no idle passes until WakeApplicationIdle, a new handler, or
// timeoutMs milliseconds from now. The handler stays installed (RunApplicationIdle still
// runs it).
void SleepApplicationIdle(uint32_t timeoutMs);
void WakeApplicationIdle();
bool ApplicationIdleSleeping();

// ---- Frame timer -------------------------------------------------------------------------

// Turns the application's idle time into frames: on every idle pass, once at least Interval
// milliseconds have passed since the previous frame, fires OnTimer with the number of whole
// intervals that passed (at least 1). Measures FrameRate once a second. With ActiveOnly it
// produces no frames while the application is inactive. Owned by its QObject parent.
//
// An owner whose frames would show nothing new may let the timer rest (Rest): the event loop
// then sleeps instead of calling it on every pass, until the owner wakes it (Wake) or the
// rest ends; a rest ends at the latest when the next frame-rate measurement is due, so the
// rate is measured once a second while resting too. A timer nobody lets rest behaves as
// before: a frame on every pass.
class TCustomDXTimer : public QObject {
public:
    using TNotifyEvent = std::function<void(TCustomDXTimer* sender)>;
    using TDXTimerEvent = std::function<void(TCustomDXTimer* sender, int lagCount)>;

    explicit TCustomDXTimer(QObject* owner = nullptr);
    ~TCustomDXTimer() override;
    TCustomDXTimer(const TCustomDXTimer&) = delete;
    TCustomDXTimer& operator=(const TCustomDXTimer&) = delete;

    // Restarts the timing: Finalize, then resume unless ActiveOnly and the application is
    // inactive; marks the timer initialized either way.
    void Initialize();
    // Stops producing frames and marks the timer not initialized.
    void Finalize();

    bool ActiveOnly() const { return activeOnly_; }
    void SetActiveOnly(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t value);
    int32_t FrameRate() const { return frameRate_; }
    bool Initialized() const { return initialized_; }
    // The timer's idle handler is the application's idle handler now.
    bool Running() const;

    // No frames for up to ms milliseconds (none: until woken), and no idle passes meanwhile;
    // the rest ends sooner for the next frame-rate measurement. Ignored while not running.
    void Rest(std::optional<uint32_t> ms = std::nullopt);
    // Ends a rest: the next idle pass makes a frame (as Interval allows).
    void Wake();
    bool Resting() const { return resting_; }
    // Milliseconds until the rest ends by itself (0 when not resting).
    uint32_t RestLeft() const;

    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TDXTimerEvent OnTimer;

    // Component streaming: between BeginLoad and Loaded the Enabled setter only stores the
    // value; Loaded initializes the timer when it is enabled.
    void BeginLoad() { loading_ = true; }
    virtual void Loaded();

protected:
    virtual void DoActivate();
    virtual void DoDeactivate();
    virtual void DoTimer(int lagCount);

private:
    void Resume();
    void Suspend();
    void IdlePass();
    void AppActivation(bool active);
    // When the running rate measurement is due.
    uint32_t NextRateTime() const { return lastRateTime_ + 1000; }

    bool activeOnly_ = true;
    bool enabled_ = true;
    int32_t frameRate_ = 0;
    bool initialized_ = false;
    uint32_t interval_ = 1000;
    uint32_t lagDivisor_ = 1000;
    int32_t frameCount_ = 0;
    uint32_t lastFrameTime_ = 0;
    uint32_t lastRateTime_ = 0;
    bool resting_ = false;
    uint32_t restStart_ = 0;
    uint32_t restFor_ = 0;

    bool loading_ = false;
    int idleToken_ = 0;
    int activationHook_ = 0;
    std::shared_ptr<char> life_ = std::make_shared<char>();
};

// Publishes the properties; nothing more.
class TDXTimer : public TCustomDXTimer {
public:
    using TCustomDXTimer::TCustomDXTimer;
};

} // namespace tv

#include "engine/FrameTimer.h"

#include "engine/Clock.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tv {

// ---- Activation --------------------------------------------------------------------------

namespace {

struct ActivationState {
    std::vector<std::pair<int, AppActivationHook>> hooks;
    int nextId = 1;
    std::optional<bool> simulated;
    QPointer<QGuiApplication> connectedApp;
    bool lastPlatformActive = true;
};

ActivationState& Activation() {
    static ActivationState state;
    return state;
}

bool PlatformActive() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return !app || QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void DeliverActivation(bool active) {
    // Hooks may add or remove hooks (a handler may even free its timer): walk a copy and skip
    // the ones removed meanwhile.
    const auto hooks = Activation().hooks;
    for (const auto& [id, hook] : hooks) {
        const auto& current = Activation().hooks;
        const bool stillThere =
            std::any_of(current.begin(), current.end(),
                        [id = id](const auto& entry) { return entry.first == id; });
        if (stillThere)
            hook(active);
    }
}

// Follows the application's state changes; (re)connects when a new application object
// appears.
void ConnectPlatformNotices() {
    ActivationState& state = Activation();
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || state.connectedApp == app)
        return;
    state.connectedApp = app;
    state.lastPlatformActive = PlatformActive();
    QObject::connect(app, &QGuiApplication::applicationStateChanged, app,
                     [](Qt::ApplicationState appState) {
                         ActivationState& s = Activation();
                         const bool active = appState == Qt::ApplicationActive;
                         if (active == s.lastPlatformActive)
                             return;
                         s.lastPlatformActive = active;
                         if (!s.simulated)
                             DeliverActivation(active);
                     });
}

} // namespace

bool IsApplicationActive() {
    const ActivationState& state = Activation();
    return state.simulated ? *state.simulated : PlatformActive();
}

int AddAppActivationHook(AppActivationHook hook) {
    ConnectPlatformNotices();
    ActivationState& state = Activation();
    const int id = state.nextId++;
    state.hooks.emplace_back(id, std::move(hook));
    return id;
}

void RemoveAppActivationHook(int id) {
    auto& hooks = Activation().hooks;
    std::erase_if(hooks, [id](const auto& entry) { return entry.first == id; });
}

void SimulateApplicationActive(bool active) {
    Activation().simulated = active;
    DeliverActivation(active);
}

void EndApplicationActiveSimulation() {
    ActivationState& state = Activation();
    state.simulated.reset();
    state.lastPlatformActive = PlatformActive();
}

// ---- Idle handler ------------------------------------------------------------------------

namespace {

struct IdleState {
    IdleHandler handler;
    int token = 0;
    int nextToken = 1;
    QPointer<QTimer> timer;
    // Ends a sleep of the idle passes (single shot).
    QPointer<QTimer> wake;
    bool sleeping = false;
};

IdleState& Idle() {
    static IdleState state;
    return state;
}

// The zero-interval timer that turns idle passes into handler calls; made on first use and
// freed with the application.
QTimer* IdleTimer() {
    IdleState& state = Idle();
    QCoreApplication* app = QCoreApplication::instance();
    if (!state.timer && app) {
        auto* timer = new QTimer(app);
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, timer, [] { RunApplicationIdle(); });
        state.timer = timer;
    }
    return state.timer;
}

QTimer* WakeTimer() {
    IdleState& state = Idle();
    QCoreApplication* app = QCoreApplication::instance();
    if (!state.wake && app) {
        auto* timer = new QTimer(app);
        timer->setSingleShot(true);
        // A coarse timer may fire a little early, and the frame it is for would not be due yet.
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [] { WakeApplicationIdle(); });
        state.wake = timer;
    }
    return state.wake;
}

void EndSleep() {
    IdleState& state = Idle();
    state.sleeping = false;
    if (state.wake)
        state.wake->stop();
}

int CurrentIdleToken() {
    return Idle().token;
}

} // namespace

int SetApplicationIdleHandler(IdleHandler handler) {
    IdleState& state = Idle();
    if (!handler) {
        ClearApplicationIdleHandler(state.token);
        return 0;
    }
    state.handler = std::move(handler);
    state.token = state.nextToken++;
    EndSleep();
    if (QTimer* timer = IdleTimer())
        timer->start();
    return state.token;
}

void ClearApplicationIdleHandler(int token) {
    IdleState& state = Idle();
    if (token == 0 || token != state.token)
        return;
    state.handler = nullptr;
    state.token = 0;
    EndSleep();
    if (state.timer)
        state.timer->stop();
}

void SleepApplicationIdle(uint32_t timeoutMs) {
    IdleState& state = Idle();
    if (!state.handler)
        return;
    state.sleeping = true;
    if (state.timer)
        state.timer->stop();
    if (QTimer* wake = WakeTimer())
        wake->start(static_cast<int>(std::min<uint32_t>(timeoutMs, INT32_MAX)));
}

void WakeApplicationIdle() {
    IdleState& state = Idle();
    if (!state.sleeping)
        return;
    EndSleep();
    if (state.handler && state.timer)
        state.timer->start();
}

bool ApplicationIdleSleeping() {
    return Idle().sleeping;
}

bool HasApplicationIdleHandler() {
    return static_cast<bool>(Idle().handler);
}

bool RunApplicationIdle() {
    // A copy: the handler may replace or clear itself while it runs.
    const IdleHandler handler = Idle().handler;
    if (!handler)
        return false;
    handler();
    return true;
}

// ---- Frame timer -------------------------------------------------------------------------

TCustomDXTimer::TCustomDXTimer(QObject* owner) : QObject(owner) {
    activationHook_ = AddAppActivationHook([this](bool active) { AppActivation(active); });
}

TCustomDXTimer::~TCustomDXTimer() {
    Finalize();
    ClearApplicationIdleHandler(idleToken_);
    RemoveAppActivationHook(activationHook_);
}

void TCustomDXTimer::Initialize() {
    Finalize();
    if (!activeOnly_ || IsApplicationActive())
        Resume();
    initialized_ = true;
}

void TCustomDXTimer::Finalize() {
    if (!initialized_)
        return;
    Suspend();
    initialized_ = false;
}

void TCustomDXTimer::SetActiveOnly(bool value) {
    if (value == activeOnly_)
        return;
    activeOnly_ = value;
    if (!initialized_)
        return;
    if (value && !IsApplicationActive())
        Suspend();
    else if (!value && !Running())
        Resume(); // suspended only because of ActiveOnly: nothing holds it back any more
}

void TCustomDXTimer::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    if (loading_)
        return;
    if (value)
        Initialize();
    else
        Finalize();
}

void TCustomDXTimer::SetInterval(uint32_t value) {
    if (value == interval_)
        return;
    interval_ = value;
    lagDivisor_ = std::max<uint32_t>(value, 1);
}

bool TCustomDXTimer::Running() const {
    return idleToken_ != 0 && idleToken_ == CurrentIdleToken();
}

void TCustomDXTimer::Loaded() {
    loading_ = false;
    if (enabled_)
        Initialize();
}

void TCustomDXTimer::DoActivate() {
    if (OnActivate) {
        const TNotifyEvent handler = OnActivate;
        handler(this);
    }
}

void TCustomDXTimer::DoDeactivate() {
    if (OnDeactivate) {
        const TNotifyEvent handler = OnDeactivate;
        handler(this);
    }
}

void TCustomDXTimer::DoTimer(int lagCount) {
    if (OnTimer) {
        const TDXTimerEvent handler = OnTimer;
        handler(this, lagCount);
    }
}

void TCustomDXTimer::Resume() {
    resting_ = false;
    lastFrameTime_ = timeGetTime();
    lastRateTime_ = timeGetTime();
    idleToken_ = SetApplicationIdleHandler([this] { IdlePass(); });
}

void TCustomDXTimer::Suspend() {
    resting_ = false;
    ClearApplicationIdleHandler(idleToken_);
    idleToken_ = 0;
}

void TCustomDXTimer::Rest(std::optional<uint32_t> ms) {
    if (!Running())
        return;
    const uint32_t now = timeGetTime();
    // Differences of the wrapping clock; a measurement already due allows no rest.
    const auto untilRate = static_cast<int32_t>(NextRateTime() - now);
    const uint32_t limit = untilRate > 0 ? static_cast<uint32_t>(untilRate) : 0;
    const uint32_t length = ms ? std::min(*ms, limit) : limit;
    if (length == 0) {
        Wake();
        return;
    }
    resting_ = true;
    restStart_ = now;
    restFor_ = length;
    SleepApplicationIdle(length);
}

void TCustomDXTimer::Wake() {
    if (!resting_)
        return;
    resting_ = false;
    if (Running())
        WakeApplicationIdle();
}

uint32_t TCustomDXTimer::RestLeft() const {
    if (!resting_)
        return 0;
    const uint32_t passed = timeGetTime() - restStart_;
    return passed >= restFor_ ? 0 : restFor_ - passed;
}

void TCustomDXTimer::IdlePass() {
    const uint32_t t = timeGetTime();
    if (resting_) {
        const uint32_t passed = t - restStart_;
        if (passed < restFor_) {
            // Woken early (another clock's rounding): sleep the rest of it.
            SleepApplicationIdle(restFor_ - passed);
            return;
        }
        resting_ = false;
    }
    const uint32_t elapsed = t - lastFrameTime_;
    if (elapsed < interval_)
        return;
    lastFrameTime_ = t;
    int32_t lag = static_cast<int32_t>(elapsed / lagDivisor_);
    if (lag < 1)
        lag = 1;

    if (frameCount_ < INT32_MAX) // a clock that stands still never ends a measurement
        ++frameCount_;
    const int32_t span = std::max(static_cast<int32_t>(t - lastRateTime_), 1);
    if (span >= 1000) {
        // frames × 1000 ÷ span, rounded to nearest with halves to even.
        const int64_t numerator = static_cast<int64_t>(frameCount_) * 1000;
        int64_t rate = numerator / span;
        const int64_t twiceRest = (numerator % span) * 2;
        if (twiceRest > span || (twiceRest == span && (rate & 1)))
            ++rate;
        frameRate_ = static_cast<int32_t>(std::min<int64_t>(rate, INT32_MAX));
        frameCount_ = 0;
        lastRateTime_ = t;
    }
    DoTimer(lag);
}

void TCustomDXTimer::AppActivation(bool active) {
    const std::weak_ptr<char> alive = life_;
    if (active) {
        DoActivate();
        if (alive.expired())
            return;
        if (initialized_ && activeOnly_)
            Resume();
    } else {
        DoDeactivate();
        if (alive.expired())
            return;
        if (initialized_ && activeOnly_)
            Suspend();
    }
}

} // namespace tv

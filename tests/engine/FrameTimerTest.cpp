#include "engine/FrameTimer.h"
#include "engine/Clock.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace tv;

namespace {

class FrameTimerTest : public ::testing::Test {
protected:
    FrameTimerTest() : clock_(5000), scope_(clock_) {}

    void SetUp() override {
        SimulateApplicationActive(true);
        timer_ = std::make_unique<TDXTimer>();
        timer_->OnTimer = [this](TCustomDXTimer* sender, int lag) {
            EXPECT_EQ(sender, timer_.get());
            lags_.push_back(lag);
            events_.push_back("timer");
        };
        timer_->OnActivate = [this](TCustomDXTimer*) { events_.push_back("activate"); };
        timer_->OnDeactivate = [this](TCustomDXTimer*) { events_.push_back("deactivate"); };
    }

    void TearDown() override {
        timer_.reset();
        EXPECT_FALSE(HasApplicationIdleHandler());
        EndApplicationActiveSimulation();
    }

    // One idle pass of the application; false when no idle handler is installed.
    bool Pass() { return RunApplicationIdle(); }

    // Runs one idle pass at each of the given offsets from now (ms, increasing).
    void FramesAt(const std::vector<uint32_t>& offsets) {
        const uint32_t start = clock_.NowMs();
        for (uint32_t offset : offsets) {
            clock_.Set(start + offset);
            Pass();
        }
    }

    ManualClock clock_;
    ScopedClock scope_;
    std::unique_ptr<TDXTimer> timer_;
    std::vector<int> lags_;
    std::vector<std::string> events_;
};

TEST_F(FrameTimerTest, StartsStoppedWithItsDefaults) {
    EXPECT_TRUE(timer_->ActiveOnly());
    EXPECT_TRUE(timer_->Enabled());
    EXPECT_EQ(timer_->Interval(), 1000u);
    EXPECT_EQ(timer_->FrameRate(), 0);
    EXPECT_FALSE(timer_->Initialized());
    EXPECT_FALSE(timer_->Running());
    EXPECT_FALSE(Pass());
}

TEST_F(FrameTimerTest, IntervalZeroMakesAFrameOnEveryPass) {
    timer_->SetInterval(0);
    timer_->Initialize();
    ASSERT_TRUE(timer_->Running());
    Pass();
    Pass(); // same millisecond: elapsed 0, raised to 1
    clock_.Advance(7);
    Pass();
    EXPECT_EQ(lags_, (std::vector<int>{1, 1, 7}));
}

TEST_F(FrameTimerTest, IntervalPacesFramesAndCountsWholeIntervals) {
    timer_->SetInterval(20);
    timer_->Initialize();
    FramesAt({19});
    EXPECT_TRUE(lags_.empty());
    clock_.Advance(65 - 19);
    Pass();
    EXPECT_EQ(lags_, (std::vector<int>{3}));
    clock_.Advance(19);
    Pass();
    clock_.Advance(1);
    Pass();
    EXPECT_EQ(lags_, (std::vector<int>{3, 1}));

    // The default interval: one frame a second.
    timer_->SetInterval(1000);
    clock_.Advance(999);
    Pass();
    EXPECT_EQ(lags_.size(), 2u);
    clock_.Advance(2001);
    Pass();
    EXPECT_EQ(lags_.back(), 3);
}

TEST_F(FrameTimerTest, FrameRateIsMeasuredOnceASecond) {
    timer_->SetInterval(0);
    timer_->Initialize();
    std::vector<uint32_t> offsets;
    for (uint32_t i = 1; i <= 50; ++i)
        offsets.push_back(i * 20); // the 50th frame lands exactly on 1000 ms
    FramesAt(std::vector<uint32_t>(offsets.begin(), offsets.end() - 1));
    EXPECT_EQ(timer_->FrameRate(), 0);
    clock_.Advance(20);
    Pass();
    EXPECT_EQ(timer_->FrameRate(), 50);

    // 61 frames, the last at 1500 ms: 40.67 rounds to 41.
    offsets.clear();
    for (uint32_t i = 1; i <= 60; ++i)
        offsets.push_back(i);
    offsets.push_back(1500);
    FramesAt(offsets);
    EXPECT_EQ(timer_->FrameRate(), 41);

    // Halves go to the even neighbour: 5 frames in 2 s is 2.5 -> 2, 3 frames is 1.5 -> 2.
    FramesAt({1, 2, 3, 4, 2000});
    EXPECT_EQ(timer_->FrameRate(), 2);
    FramesAt({1, 2, 2000});
    EXPECT_EQ(timer_->FrameRate(), 2);
    FramesAt({1, 2, 3, 4, 5, 6, 2000});
    EXPECT_EQ(timer_->FrameRate(), 4); // 3.5 -> 4
}

TEST_F(FrameTimerTest, ClockWrapGivesTheTrueElapsedTime) {
    clock_.Set(0xFFFFFFF0u);
    timer_->SetInterval(20);
    timer_->Initialize();
    clock_.Advance(0x19); // wraps to 9: 25 ms
    Pass();
    EXPECT_EQ(lags_, (std::vector<int>{1}));

    timer_->SetInterval(0);
    clock_.Set(0xFFFFFFFEu);
    Pass();
    clock_.Advance(5);
    Pass();
    ASSERT_EQ(lags_.size(), 3u);
    EXPECT_EQ(lags_[2], 5);
}

TEST_F(FrameTimerTest, ActiveOnlyPausesWhileTheApplicationIsInactive) {
    timer_->SetInterval(0);
    timer_->Initialize();
    Pass();
    SimulateApplicationActive(false);
    EXPECT_FALSE(timer_->Running());
    EXPECT_TRUE(timer_->Initialized());
    EXPECT_FALSE(Pass());
    clock_.Advance(100);
    SimulateApplicationActive(true);
    Pass(); // timing restarts at the resume: lag 1, not 100
    EXPECT_EQ(events_, (std::vector<std::string>{"timer", "deactivate", "activate", "timer"}));
    EXPECT_EQ(lags_.back(), 1);
}

TEST_F(FrameTimerTest, WithoutActiveOnlyFramesContinueInTheBackground) {
    timer_->SetActiveOnly(false);
    timer_->SetInterval(0);
    timer_->Initialize();
    SimulateApplicationActive(false);
    EXPECT_TRUE(Pass());
    SimulateApplicationActive(true);
    EXPECT_TRUE(Pass());
    EXPECT_EQ(events_, (std::vector<std::string>{"deactivate", "timer", "activate", "timer"}));
}

TEST_F(FrameTimerTest, InitializingWhileInactiveWaitsForActivation) {
    SimulateApplicationActive(false);
    timer_->SetInterval(0);
    timer_->Initialize();
    EXPECT_TRUE(timer_->Initialized());
    EXPECT_FALSE(timer_->Running());
    SimulateApplicationActive(true);
    EXPECT_TRUE(timer_->Running());

    // Notices reach a timer that was never started, but start nothing.
    TDXTimer idle;
    int activations = 0;
    idle.OnActivate = [&](TCustomDXTimer*) { ++activations; };
    SimulateApplicationActive(true);
    EXPECT_EQ(activations, 1);
    EXPECT_FALSE(idle.Running());
}

TEST_F(FrameTimerTest, ActiveOnlySetterSuspendsAndResumes) {
    timer_->SetActiveOnly(false);
    timer_->SetInterval(0);
    timer_->Initialize();
    SimulateApplicationActive(false);
    timer_->SetActiveOnly(true);
    EXPECT_FALSE(timer_->Running());
    // Turning it off again lets frames come without waiting for an activation.
    timer_->SetActiveOnly(false);
    EXPECT_TRUE(timer_->Running());
    EXPECT_TRUE(Pass());
}

TEST_F(FrameTimerTest, EnabledStartsAndStops) {
    timer_->SetInterval(0);
    timer_->SetEnabled(true); // unchanged: nothing happens
    EXPECT_FALSE(timer_->Initialized());
    EXPECT_FALSE(Pass());

    timer_->Initialize();
    timer_->SetEnabled(false);
    EXPECT_FALSE(timer_->Initialized());
    EXPECT_FALSE(Pass());
    timer_->SetEnabled(true);
    EXPECT_TRUE(timer_->Running());
    EXPECT_TRUE(Pass());
    EXPECT_EQ(lags_.size(), 1u);

    // Enabling while the application is inactive waits for it, with ActiveOnly.
    timer_->SetEnabled(false);
    SimulateApplicationActive(false);
    timer_->SetEnabled(true);
    EXPECT_TRUE(timer_->Initialized());
    EXPECT_FALSE(timer_->Running());
}

TEST_F(FrameTimerTest, LoadingDefersEnabledUntilLoaded) {
    timer_->BeginLoad();
    timer_->SetEnabled(false);
    timer_->SetEnabled(true);
    EXPECT_FALSE(timer_->Initialized());
    timer_->Loaded();
    EXPECT_TRUE(timer_->Running());
}

TEST_F(FrameTimerTest, OneIdleHandlerPerApplication) {
    timer_->SetInterval(0);
    timer_->Initialize();
    {
        TDXTimer second;
        second.SetInterval(0);
        int frames = 0;
        second.OnTimer = [&](TCustomDXTimer*, int) { ++frames; };
        second.Initialize();
        EXPECT_TRUE(second.Running());
        EXPECT_FALSE(timer_->Running());
        Pass();
        EXPECT_EQ(frames, 1);
        EXPECT_TRUE(lags_.empty());

        // A displaced timer that stops or dies leaves the running one alone.
        timer_->Finalize();
        EXPECT_TRUE(second.Running());
        timer_.reset();
        EXPECT_TRUE(second.Running());
    }
    EXPECT_FALSE(HasApplicationIdleHandler());
}

TEST_F(FrameTimerTest, HandlersMayFreeTheirTimer) {
    timer_->SetInterval(0);
    timer_->Initialize();
    timer_->OnDeactivate = [this](TCustomDXTimer*) { timer_.reset(); };
    SimulateApplicationActive(false);
    EXPECT_EQ(timer_, nullptr);

    timer_ = std::make_unique<TDXTimer>();
    timer_->SetInterval(0);
    timer_->SetActiveOnly(false);
    timer_->Initialize();
    timer_->OnTimer = [this](TCustomDXTimer*, int) { timer_.reset(); };
    EXPECT_TRUE(Pass());
    EXPECT_EQ(timer_, nullptr);
    EXPECT_FALSE(Pass());
}

TEST_F(FrameTimerTest, OwnerFreesTheTimer) {
    auto owner = std::make_unique<QObject>();
    auto* owned = new TDXTimer(owner.get());
    owned->SetInterval(0);
    owned->Initialize();
    EXPECT_TRUE(HasApplicationIdleHandler());
    owner.reset();
    EXPECT_FALSE(HasApplicationIdleHandler());
}

TEST_F(FrameTimerTest, RunsFromTheEventLoopWhenIdle) {
    timer_->SetInterval(0);
    timer_->Initialize();
    for (int i = 0; i < 50 && lags_.size() < 3; ++i)
        QCoreApplication::processEvents();
    EXPECT_GE(lags_.size(), 3u);

    timer_->Finalize();
    const size_t frames = lags_.size();
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(lags_.size(), frames);
}

// A rest gives no frames until it ends by time, by Wake or for the next frame-rate
// measurement, which it never skips; the first frame after it counts the time since the last.
TEST_F(FrameTimerTest, ARestPausesFramesUntilItEndsAndKeepsTheRateMeasured) {
    timer_->SetInterval(0);
    timer_->Initialize();
    FramesAt({0, 100}); // frames at 5000, 5100
    timer_->Rest(200);
    EXPECT_TRUE(timer_->Resting());
    EXPECT_EQ(timer_->RestLeft(), 200u);
    FramesAt({0, 199});
    EXPECT_EQ(lags_.size(), 2u) << "no frame while resting";
    EXPECT_EQ(timer_->RestLeft(), 1u);
    FramesAt({1});
    EXPECT_EQ(lags_.back(), 200) << "the time since the frame before the rest";
    EXPECT_FALSE(timer_->Resting());

    timer_->Rest(500);
    clock_.Advance(20);
    timer_->Wake();
    Pass();
    EXPECT_EQ(lags_.size(), 4u);
    EXPECT_EQ(lags_.back(), 20);

    // Resting without end: up to the measurement, one second after the timer started.
    timer_->Rest();
    EXPECT_EQ(timer_->RestLeft(), 1000u - 320u);
    FramesAt({679});
    EXPECT_EQ(lags_.size(), 4u);
    FramesAt({1});
    EXPECT_EQ(lags_.size(), 5u);
    EXPECT_EQ(timer_->FrameRate(), 5);
    timer_->Rest(5000);
    EXPECT_EQ(timer_->RestLeft(), 1000u) << "capped at the next measurement";
    clock_.Advance(1000);
    Pass();
    EXPECT_EQ(timer_->FrameRate(), 1) << "one frame in the second of rest";

    // A timer that does not run does not rest.
    timer_->Finalize();
    timer_->Rest(100);
    EXPECT_FALSE(timer_->Resting());
}

// While the timer rests the event loop calls no idle handler; Wake starts the passes again.
TEST_F(FrameTimerTest, TheEventLoopSleepsWhileTheTimerRests) {
    timer_->SetInterval(0);
    timer_->Initialize();
    for (int i = 0; i < 50 && lags_.size() < 2; ++i)
        QCoreApplication::processEvents();
    ASSERT_GE(lags_.size(), 2u);
    timer_->Rest(); // the manual clock stands still: the rest lasts until woken
    EXPECT_TRUE(ApplicationIdleSleeping());
    int calls = 0;
    const int token = SetApplicationIdleHandler([&] { ++calls; });
    EXPECT_FALSE(ApplicationIdleSleeping()) << "a new handler is called at once";
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_GT(calls, 0);
    ClearApplicationIdleHandler(token);
    timer_->Initialize();
    timer_->Rest();
    const size_t frames = lags_.size();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(lags_.size(), frames);
    timer_->Wake();
    EXPECT_FALSE(ApplicationIdleSleeping());
    for (int i = 0; i < 50 && lags_.size() < frames + 2; ++i)
        QCoreApplication::processEvents();
    EXPECT_GE(lags_.size(), frames + 2);
}

TEST_F(FrameTimerTest, FollowsTheApplicationStateSignal) {
    EndApplicationActiveSimulation();
    std::vector<bool> notices;
    const int hook = AddAppActivationHook([&](bool active) { notices.push_back(active); });
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    const Qt::ApplicationState real = QGuiApplication::applicationState();
    emit app->applicationStateChanged(Qt::ApplicationActive);
    emit app->applicationStateChanged(Qt::ApplicationInactive);
    emit app->applicationStateChanged(Qt::ApplicationHidden); // still inactive: no notice
    emit app->applicationStateChanged(Qt::ApplicationActive);
    ASSERT_GE(notices.size(), 2u);
    EXPECT_EQ(notices[notices.size() - 2], false);
    EXPECT_EQ(notices.back(), true);
    for (size_t i = 1; i < notices.size(); ++i)
        EXPECT_NE(notices[i], notices[i - 1]);

    // While simulated, the platform's changes are not delivered.
    notices.clear();
    SimulateApplicationActive(true);
    emit app->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(notices, (std::vector<bool>{true}));
    EXPECT_TRUE(IsApplicationActive());

    RemoveAppActivationHook(hook);
    EndApplicationActiveSimulation();
    emit app->applicationStateChanged(real);
    SimulateApplicationActive(true); // for TearDown
}

} // namespace

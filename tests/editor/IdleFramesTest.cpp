// The editor's frames on a simulated clock: the frame routine presents a picture only when it
// would differ from the one on screen (a strip steps, the frame rate changes), lets the frame
// timer rest otherwise (until the next step of a strip in view, or until something wakes it),
// and the window always shows what drawing every frame would show.
#include "editor/MapViewController.h"
#include "editor/ModifyPage.h"

#include "MainWindowTest.h"

#include "engine/Clock.h"
#include "engine/Device.h"
#include "engine/FrameTimer.h"

#include <QMessageBox>
#include <QTest>
#include <chrono>
#include <cmath>

using tv::TBaseInfo;

namespace {

class IdleFramesTest : public tvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // A two-frame strip: the left half red, the right half green.
        QImage strip(64, 32, QImage::Format_ARGB32);
        strip.fill(qRgb(255, 0, 0));
        for (int y = 0; y < 32; ++y)
            for (int x = 32; x < 64; ++x)
                strip.setPixel(x, y, qRgb(0, 255, 0));
        QDir().mkpath(QString::fromStdString(game.file("Data/Graphic/t")));
        strip.save(QString::fromStdString(game.file("Data/Graphic/t/strip.png")));
        Picture("t/red.png", qRgb(255, 0, 0));
        Start();
        window->Device->SetPresentClock(&presentClock);
        window->Timer->Initialize();
        tv::RunApplicationIdle(); // the timer's first pass only starts the timing
    }
    void TearDown() override {
        if (window)
            window->Device->SetPresentClock(nullptr);
        MainWindowTest::TearDown();
    }

    // The two-frame strip, animated, at (300, 200).
    void PlaceStrip() {
        auto record = tvtest::MakeRecord<tv::TDecorInfo>("strip", "t\\strip.png", 32, 32, 1);
        record->Left = 300;
        record->Top = 200;
        record->FrameWidth = 32;
        record->FrameHeight = 32;
        record->Animated = 1;
        strip = PlaceCopy(*record);
    }

    const tv::TWrapper* StripView() {
        if (!strip)
            return nullptr;
        for (const auto& view : window->Views())
            if (!view->Dead && view->Info == strip)
                return view.get();
        return nullptr;
    }

    // One pass after a change the test made: it presents the new picture. The test changes
    // the map and the view objects directly, which wakes nobody.
    void Settle() {
        const uint64_t presents = window->Device->Stats().Presents;
        window->WakeFrames();
        tv::RunApplicationIdle();
        EXPECT_EQ(window->Device->Stats().Presents, presents + 1);
        const bool seen = StripView() && tv::IsInView(*strip, window->WorldX);
        shownFrame = seen ? StripView()->Frame : -1;
        shownRate = window->Timer->FrameRate();
    }

    struct Run {
        int Passes = 0;
        int Presents = 0;
        uint32_t Ms = 0;
    };

    // Runs the idle passes of a simulated time, sleeping while the timer rests as the event
    // loop does; checks at every pass that a picture was presented exactly when the strip's
    // frame or the frame-rate text differs from the last presented one, that a pass with
    // nothing new rests, and that the back buffer then holds what drawing the frame anew gives.
    Run RunFor(uint32_t ms) {
        Run run;
        const uint32_t start = clock.NowMs();
        const tv::TDeviceStats& stats = window->Device->Stats();
        while (clock.NowMs() - start < ms) {
            if (window->Timer->Resting() && window->Timer->RestLeft() > 0) {
                clock.Advance(std::min(window->Timer->RestLeft(), ms - (clock.NowMs() - start)));
                continue;
            }
            const uint64_t presents = stats.Presents;
            EXPECT_TRUE(tv::RunApplicationIdle());
            // The timer measures the rate before it runs the frame routine.
            const int32_t rate = window->Timer->FrameRate();
            const bool presented = stats.Presents > presents;
            EXPECT_TRUE(window->Timer->Resting())
                << "pass " << run.Passes << " now " << clock.NowMs() << ": it would spin";
            // A strip out of view does not step.
            const bool seen = strip && tv::IsInView(*strip, window->WorldX);
            const int frame = seen && StripView() ? StripView()->Frame : -1;
            const bool changed = frame != shownFrame || rate != shownRate;
            EXPECT_EQ(presented, changed) << "pass " << run.Passes << " frame " << frame << " rate "
                                          << rate << " shown " << shownFrame << "/" << shownRate
                                          << " now " << clock.NowMs() << " P " << stats.Presents;
            if (presented) {
                shownFrame = frame;
                shownRate = rate;
                ++run.Presents;
            }
            if (presented || run.Passes % 7 == 0) {
                const QImage shown = window->Device->ReadBackBuffer();
                window->DrawScene();
                EXPECT_EQ(window->Device->ReadBackBuffer(), shown) << "pass " << run.Passes;
            }
            ++run.Passes;
        }
        run.Ms = clock.NowMs() - start;
        return run;
    }

    tv::ManualClock clock{100000};
    tv::ScopedClock useClock{clock};
    tvtest::LinkedPresentClock presentClock{clock};
    TBaseInfo* strip = nullptr;
    int shownFrame = -2;
    int32_t shownRate = -1;
};

TEST_F(IdleFramesTest, AStillViewPresentsOnlyForTheFrameRateAnAnimatedOneWhenItsStripSteps) {
    Place("still", 100, 100, 64, 32);
    window->RefreshAll();
    Settle();
    RunFor(1100); // the frame rate settles
    const Run still = RunFor(2000);
    EXPECT_GE(still.Passes, 1);
    EXPECT_LE(still.Passes, 3) << "a pass a second, for the frame rate";
    EXPECT_LE(still.Presents, 2) << "only the frame-rate text changed";
    EXPECT_EQ(window->Timer->FrameRate(), 1);

    PlaceStrip();
    ASSERT_NE(StripView(), nullptr);
    ASSERT_EQ(StripView()->FrameCount, 2);
    Settle();
    const uint64_t restored = window->Device->Stats().PicturesRestored;
    const Run animated = RunFor(2000);
    // Eight steps a second (a step once more than 125 ms passed), plus the frame rate.
    EXPECT_GE(animated.Presents, 14);
    EXPECT_LE(animated.Presents, 19);
    EXPECT_LE(animated.Passes, animated.Presents + 2) << "a pass for each step, no more";
    // The strip goes round two frames: after the first of each, its pictures are copied back.
    EXPECT_GE(window->Device->Stats().PicturesRestored - restored, uint64_t(animated.Presents) - 4);

    // Out of view the strip rests and nothing is presented for it.
    window->XNextClick();
    Settle();
    const int frame = StripView()->Frame;
    const Run unseen = RunFor(2000);
    EXPECT_LE(unseen.Passes, 3);
    EXPECT_LE(unseen.Presents, 2);
    EXPECT_EQ(StripView()->Frame, frame);
    // Back in view it steps on at once.
    window->XPrevClick();
    EXPECT_FALSE(window->Timer->Resting());
    tv::RunApplicationIdle();
    EXPECT_EQ(StripView()->Frame, (frame + 1) % 2);
}

// Kept pictures of an animation are known by the scene's shot, which leaves out the rubber
// band: those drawn with a band must not come back once it is gone, nor the others while one
// is drawn.
TEST_F(IdleFramesTest, AnAnimationWithARubberBandNeverShowsAKeptPictureOfAnotherBand) {
    PlaceStrip();
    Settle();
    RunFor(1000);
    const uint64_t restored = window->Device->Stats().PicturesRestored;
    ASSERT_GT(restored, 0u);

    // Ctrl+right-drag over empty ground: every present is what drawing the frame anew gives.
    QWindow* view = window->ViewHost->Window();
    PointAt(500, 400);
    QTest::mousePress(view, Qt::RightButton, Qt::ControlModifier, QPoint(1, 1));
    PointAt(650, 520);
    QTest::mouseMove(view, QPoint(2, 2));
    ASSERT_TRUE(window->ViewControl->Band().has_value());
    RunFor(1000);
    QTest::mouseRelease(view, Qt::RightButton, Qt::ControlModifier, QPoint(2, 2));
    ASSERT_FALSE(window->ViewControl->Band().has_value());
    RunFor(1000);
    EXPECT_GT(window->Device->Stats().PicturesRestored, restored + 4);
}

TEST_F(IdleFramesTest, EditsScrollingAndExposingAreShownAtTheNextFrame) {
    TBaseInfo* rock = Place("rock", 100, 100, 64, 32);
    window->RefreshAll();
    RunFor(1100);
    const tv::TDeviceStats& stats = window->Device->Stats();
    // Each change wakes the resting timer, and its pass presents what changed in view.
    int changes = 0;
    const auto presentsAfter = [&](const std::function<void()>& change) {
        RunFor(50);
        EXPECT_TRUE(window->Timer->Resting());
        const uint64_t before = stats.Presents;
        change();
        ++changes;
        // Woken, unless events the change processed ran the frame already.
        EXPECT_TRUE(!window->Timer->Resting() || stats.Presents > before)
            << "after change " << changes;
        tv::RunApplicationIdle();
        return stats.Presents - before;
    };
    RunFor(50);
    const uint64_t before = stats.Presents;
    tv::RunApplicationIdle();
    EXPECT_TRUE(window->Timer->Resting()) << "nothing woke it";
    EXPECT_EQ(stats.Presents, before);
    EXPECT_EQ(presentsAfter([&] {
                  window->Document->Select(rock);
                  window->Modify->ShowSelected();
              }),
              1u);
    EXPECT_EQ(presentsAfter([&] { window->Document->NudgeSelected(3, 0); }), 1u);
    EXPECT_EQ(presentsAfter([&] { window->XNextClick(); }), 1u);
    EXPECT_EQ(presentsAfter([&] { window->Document->Undo(); }), 0u) << "the change is out of view";
    EXPECT_EQ(presentsAfter([&] { window->XPrevClick(); }), 1u);
    EXPECT_EQ(presentsAfter([&] { window->InvalidatePicture(); }), 1u);
    EXPECT_EQ(rock->Left, 100);
    EXPECT_EQ(presentsAfter([&] { window->ViewHost->Window()->OnMouseMove(Qt::NoButton); }), 0u)
        << "the pointer moved, the picture did not";
    EXPECT_EQ(presentsAfter([&] { window->resize(window->width() + 200, window->height() + 150); }),
              1u);
}

// Without a window manager nothing repaints what a closed box covered: the view draws its
// whole picture again after any other window of the application hides.
TEST_F(IdleFramesTest, TheWholePictureIsDrawnAgainAfterABoxOverTheViewCloses) {
    Place("still", 100, 100, 64, 32);
    window->RefreshAll();
    Settle();
    RunFor(1100);
    // Leftovers of a box: pixels the frame routine did not draw.
    constexpr uint32_t kLeftover = 0xFFFF8000u;
    window->Device->Clear(0, nullptr, tv::D3DCLEAR_TARGET, kLeftover, 1.0f, 0);
    window->Device->Present();
    tv::RunApplicationIdle();
    const QPoint corner(window->Device->BackBufferSize().width() - 2,
                        window->Device->BackBufferSize().height() - 2);
    ASSERT_EQ(window->Device->ReadBackBuffer().pixel(corner), kLeftover)
        << "nothing new to show: nothing drawn";

    {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Torvanikian Map Editor"),
                        QStringLiteral("The map cannot be read."));
        box.show();
        QCoreApplication::processEvents();
    }
    tv::RunApplicationIdle();
    const QImage shown = window->Device->ReadBackBuffer();
    EXPECT_NE(shown.pixel(corner), kLeftover);
    window->DrawScene();
    EXPECT_EQ(window->Device->ReadBackBuffer(), shown);
}

} // namespace

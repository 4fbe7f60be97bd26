// The general error box, the guard around handlers and the "Message" notices.
#include "EditorTestSupport.h"
#include "editor/EditorApp.h"
#include "mapdata/Errors.h"
#include "mapdata/Notices.h"

#include <QPushButton>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// An object whose own event handler raises, with nothing of the editor around it. (Custom
// events: Qt's input event paths hold state of their own that an unwinding error would skip,
// which is why the editor's handlers are guarded where they are connected.)
class ThrowingObject : public QObject {
public:
    static constexpr QEvent::Type kEditorError = static_cast<QEvent::Type>(QEvent::User + 1);
    static constexpr QEvent::Type kPlainError = static_cast<QEvent::Type>(QEvent::User + 2);

protected:
    bool event(QEvent* event) override {
        if (event->type() == kEditorError)
            throw tv::EError("Stream read error");
        if (event->type() == kPlainError)
            throw std::runtime_error("plain failure.");
        return QObject::event(event);
    }
};

class GuardTest : public ::testing::Test {
protected:
    void SetUp() override { tv::SetApplicationTitle("Torvanikian Map Editor - a.tvm"); }
    void TearDown() override { tv::SetApplicationTitle(tv::EditorTitle); }

    tvtest::FakeDialogs dialogs;
    tv::ScopedDialogs scope{dialogs};
};

TEST_F(GuardTest, ErrorsEscapingAnEventHandlerReachTheGeneralErrorBox) {
    ThrowingObject object;
    QCoreApplication::postEvent(&object, new QEvent(ThrowingObject::kEditorError));
    QCoreApplication::postEvent(&object, new QEvent(ThrowingObject::kPlainError));
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.Errors.size(), 2u);
    EXPECT_EQ(dialogs.Errors[0].Title, "Torvanikian Map Editor - a.tvm");
    EXPECT_EQ(dialogs.Errors[0].Text, "Stream read error.");
    EXPECT_EQ(dialogs.Errors[1].Text, "plain failure.");
    // The application carries on with the next event.
    QEvent again(ThrowingObject::kEditorError);
    EXPECT_FALSE(QCoreApplication::sendEvent(&object, &again));
    EXPECT_EQ(dialogs.Errors.size(), 3u);
}

TEST_F(GuardTest, AGuardedHandlerEndsAtTheErrorAndTheCallerGoesOn) {
    QPushButton button;
    std::vector<int> steps;
    QObject::connect(&button, &QPushButton::clicked, tv::Guarded([&] {
        steps.push_back(1);
        tv::RaiseEngineError(0);
        steps.push_back(2);
    }));
    QObject::connect(&button, &QPushButton::clicked, [&] { steps.push_back(3); });
    button.click();
    EXPECT_EQ(steps, (std::vector<int>{1, 3}));
    ASSERT_EQ(dialogs.ErrorTexts(), (std::vector<std::string>{"Unknown Error."}));
    EXPECT_TRUE(tv::RunGuarded([] {}));
    EXPECT_FALSE(tv::RunGuarded([] { tv::RaiseEngineError(tv::ERR_TEXTURE_LOAD); }));
    EXPECT_EQ(dialogs.ErrorTexts().back(), "Error when loading texture.");
}

TEST_F(GuardTest, NoticesGoToTheMessageBoxOfTheDialogs) {
    EXPECT_EQ(tv::ShowMessageBox("Not valid TV Map file!"), tv::kMessageBoxOk);
    EXPECT_EQ(dialogs.Messages, (std::vector<std::string>{"Not valid TV Map file!"}));
    EXPECT_TRUE(dialogs.Errors.empty());
}

} // namespace

#pragma once

#include "editor/Dialogs.h"
#include "engine/Clock.h"
#include "engine/Device.h"

#include <QAbstractSpinBox>
#include <QString>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tv {
class TEditF;
class TValueListEditor;
} // namespace tv

namespace tvtest {

// The device's present clock tied to the engine's simulated clock: a wait for the display
// moves the simulated time on, so frame loops run on the simulated clock at the display's pace.
class LinkedPresentClock : public tv::IPresentClock {
public:
    explicit LinkedPresentClock(tv::ManualClock& clock) : clock_(clock) {}
    TimePoint Now() const override { return TimePoint(std::chrono::milliseconds(clock_.NowMs())); }
    void SleepUntil(TimePoint when) override {
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(when.time_since_epoch());
        if (ms.count() > clock_.NowMs())
            clock_.Set(static_cast<uint32_t>(ms.count()));
    }

private:
    tv::ManualClock& clock_;
};

// The map view's size in pixels in a test window; it shows 800 x 600 logical points.
inline constexpr int kViewWidth = 446;
inline constexpr int kViewHeight = 356;

// Answers the editor's dialogs without showing anything and records what was asked.
// Without a queued answer a file or colour dialog counts as cancelled.
class FakeDialogs : public tv::IDialogs {
public:
    struct ErrorBoxCall {
        std::string Title;
        std::string Text;
    };

    void MessageBox(const std::string& text) override { Messages.push_back(text); }
    void ErrorBox(const std::string& title, const std::string& text) override {
        Errors.push_back({title, text});
    }
    std::optional<std::string> FileName(const tv::TFileDialogRequest& request) override {
        FileRequests.push_back(request);
        if (FileAnswers.empty())
            return std::nullopt;
        std::optional<std::string> answer = FileAnswers.front();
        FileAnswers.pop_front();
        return answer;
    }
    std::optional<uint32_t> Color(uint32_t initialRgb) override {
        ColorRequests.push_back(initialRgb);
        if (ColorAnswers.empty())
            return std::nullopt;
        std::optional<uint32_t> answer = ColorAnswers.front();
        ColorAnswers.pop_front();
        return answer;
    }

    // Without a queued answer a save question is cancelled and a yes/no question answered No.
    tv::TSaveChoice AskSave(const std::string& text) override {
        Questions.push_back(text);
        return Next(SaveAnswers, tv::TSaveChoice::Cancel);
    }
    bool AskYesNo(const std::string& text) override {
        Questions.push_back(text);
        return Next(YesNoAnswers, false);
    }
    // Without a queued answer a recovery copy is kept for later.
    tv::TRecoveryChoice AskRecovery(const std::string& text) override {
        Questions.push_back(text);
        return Next(RecoveryAnswers, tv::TRecoveryChoice::Later);
    }

    // Without a queued answer the space dialog is cancelled.
    std::optional<tv::TSpaceRequest> AskSpace(const tv::TSpaceRequest& request) override {
        SpaceRequests.push_back(request);
        return Next(SpaceAnswers, std::optional<tv::TSpaceRequest>());
    }

    std::vector<std::string> ErrorTexts() const {
        std::vector<std::string> texts;
        for (const ErrorBoxCall& call : Errors)
            texts.push_back(call.Text);
        return texts;
    }

    std::vector<std::string> Messages;
    std::vector<ErrorBoxCall> Errors;
    std::vector<tv::TFileDialogRequest> FileRequests;
    std::deque<std::optional<std::string>> FileAnswers;
    std::vector<uint32_t> ColorRequests;
    std::deque<std::optional<uint32_t>> ColorAnswers;
    // Every question asked, in order (save and yes/no alike).
    std::vector<std::string> Questions;
    std::deque<tv::TSaveChoice> SaveAnswers;
    std::deque<bool> YesNoAnswers;
    std::deque<tv::TRecoveryChoice> RecoveryAnswers;
    std::vector<tv::TSpaceRequest> SpaceRequests;
    std::deque<std::optional<tv::TSpaceRequest>> SpaceAnswers;

private:
    template <class T> static T Next(std::deque<T>& answers, T otherwise) {
        if (answers.empty())
            return otherwise;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Shows a top-level widget and waits until it is the active window, so focus changes work.
bool ShowActive(QWidget& window);

// The screen point over the map view where its MousePos gives the logical point (x, y) or,
// where no pixel maps exactly onto it, the next one up.
QPoint ScreenPointForView(const tv::TEditF& window, int x, int y);

// Puts the focus on a key/value grid, selects the row with this key and types text over its
// value (an empty text deletes it); false when the grid has no such row.
bool TypeIntoRow(tv::TValueListEditor& grid, const std::string& key, const QString& text);

// Empties a spin edit as the designer would: focus, select all, Backspace.
void EmptyByKeys(QAbstractSpinBox& spin);

class TempDir;
// Writes a picture of one colour under the game folder's "Data/Graphic/"; false on failure.
bool WritePicture(const TempDir& game, const std::string& name, uint32_t argb, int width = 16,
                  int height = 16);
// The pictures the map view loads at start (the selection frame "editor\frame.png"), so that a
// test game folder starts without an error box.
void WriteViewPictures(const TempDir& game);
// A game folder the editor starts on without a notice: an empty catalogue, the maps folder and
// the view's pictures.
void WriteEmptyGame(const TempDir& game);

} // namespace tvtest

#pragma once

// The one fixture of the editor's tests that start the main window: a temporary game folder
// the editor starts on without a notice (an empty catalogue, the maps folder, the view's
// pictures), every box answered by the fake dialogs, the pointer set through the cursor seam,
// and helpers that drive the window and the map view as the designer would. A test's own
// fixture derives from it for a catalogue, pictures or helpers of its own.

#include "EditorTestSupport.h"
#include "TestSupport.h"
#include "editor/EditForm.h"
#include "editor/MapView.h"
#include "engine/DXCursor.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace tvtest {

template <class T>
std::unique_ptr<T> MakeRecord(const std::string& name, const std::string& texture, int width,
                              int height, int z) {
    auto record = std::make_unique<T>();
    record->Name = name;
    record->Texture = texture;
    record->Left = 0;
    record->Top = 0;
    record->Width = width;
    record->Height = height;
    record->Z = z;
    record->Color = 0xFFFFFFFFu;
    return record;
}

// The catalogue file: the 40-byte header, the count, then class name and record per entry.
inline Bytes CatalogueOf(const std::vector<std::unique_ptr<tv::TBaseInfo>>& records) {
    tv::TMemoryStream stream;
    const std::vector<uint8_t> header(40, 0);
    stream.Write(header.data(), header.size());
    stream.WriteInt32(static_cast<int32_t>(records.size()));
    for (const auto& record : records) {
        tv::WriteStreamString(stream, record->ClassName());
        record->WriteToStream(stream);
    }
    return stream.Bytes();
}

inline std::vector<std::string> Items(const QComboBox* box) {
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

inline std::vector<std::string> Items(const QListWidget* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i)
        items.push_back(list->item(i)->text().toStdString());
    return items;
}

class MainWindowTest : public ::testing::Test {
protected:
    static constexpr int kViewWidth = tvtest::kViewWidth;
    static constexpr int kViewHeight = tvtest::kViewHeight;

    void SetUp() override {
        WriteEmptyGame(game);
        tv::SetCursorPointSource([this] { return cursor; });
    }

    void TearDown() override {
        window.reset();
        tv::SetCursorPointSource(nullptr);
    }

    void WriteCatalogue(const std::vector<std::unique_ptr<tv::TBaseInfo>>& records) {
        game.write("data/obj/objects.tvd", CatalogueOf(records));
    }

    void Picture(const std::string& name, QRgb color, int width = 16, int height = 16) {
        ASSERT_TRUE(tvtest::WritePicture(game, name, color, width, height)) << name;
    }

    // Starts the main window on the game folder (or on base), shown, active, with a device
    // and its view window exposed.
    void Start(const std::string& base = {}) {
        window = std::make_unique<tv::TEditF>(base.empty() ? game.path() : base);
        ASSERT_TRUE(ShowActive(*window));
        ASSERT_TRUE(window->HasGraphics()) << "no OpenGL 3.3 core context (run under Xvfb)";
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window->ViewHost->Window()));
    }

    // A record placed through the document, its undo step then dropped: the map starts with it
    // as if it had been opened so. The selection stays as it was.
    template <class T = tv::TDecorInfo>
    tv::TBaseInfo* Place(const std::string& name, int left, int top, int width, int height,
                         int z = 0, const std::string& texture = "t\\red.png") {
        auto record = MakeRecord<T>(name, texture, width, height, z);
        record->Left = left;
        record->Top = top;
        return PlaceCopy(*record);
    }
    // The same for a copy of a record made by the test, at its Left and Top.
    tv::TBaseInfo* PlaceCopy(const tv::TBaseInfo& record) {
        tv::TBaseInfo* placed = window->Document->PlaceObject(record, record.Left, record.Top);
        window->Document->UndoStack().clear();
        return placed;
    }

    // One frame of the view, read back.
    QImage Frame() {
        window->DoFrame(nullptr, 1);
        return window->Device->ReadBackBuffer();
    }

    // Puts the pointer over the view where MousePos gives this logical point or, where no
    // pixel maps exactly onto it, the next one up; returns what MousePos gives.
    tv::TPoint PointAt(int x, int y) {
        const QPoint global = tvtest::ScreenPointForView(*window, x, y);
        cursor = tv::TPoint{global.x(), global.y()};
        return window->MousePos();
    }

    QWindow* ViewWindow() const { return window->ViewHost->Window(); }
    void ClickView(Qt::MouseButton button) {
        QTest::mouseClick(ViewWindow(), button, Qt::NoModifier, QPoint(1, 1));
    }
    void Press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mousePress(ViewWindow(), button, modifiers, QPoint(1, 1));
    }
    void Release(Qt::MouseButton button) {
        QTest::mouseRelease(ViewWindow(), button, Qt::NoModifier, QPoint(1, 1));
    }
    void MoveWith(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, buttons,
                         modifiers);
        QCoreApplication::sendEvent(ViewWindow(), &move);
    }

    // Clicks an entry of a list box as the designer would.
    void ClickRow(QListWidget* list, int row) {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }

    const tv::TWrapper* ViewOf(const tv::TBaseInfo* record) {
        for (const auto& view : window->Views())
            if (!view->Dead && view->Info == record)
                return view.get();
        return nullptr;
    }
    // The records of the live view objects, in drawing order.
    std::vector<const tv::TBaseInfo*> LiveViewInfos() {
        std::vector<const tv::TBaseInfo*> infos;
        for (const auto& view : window->Views())
            if (!view->Dead)
                infos.push_back(view->Info);
        return infos;
    }

    std::vector<tv::TBaseInfo*> Objects() const {
        return std::vector<tv::TBaseInfo*>(window->Map().Objects.begin(),
                                           window->Map().Objects.end());
    }

    TempDir game;
    FakeDialogs dialogs;
    tv::ScopedDialogs scope{dialogs};
    tv::TPoint cursor;
    std::unique_ptr<tv::TEditF> window;
};

} // namespace tvtest

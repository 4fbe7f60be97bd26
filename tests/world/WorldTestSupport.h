#pragma once

// Fixtures of the world tests: a hand-set clock, a clean key table, known equipment, the
// message window recorded, and (for GfxWorldTest) a headless device with a texture cache and a
// temporary game folder.

#include "TestSupport.h"
#include "engine/Clock.h"
#include "engine/Device.h"
#include "engine/EngineSession.h"
#include "engine/GraphicResources.h"
#include "engine/Graphics.h"
#include "engine/KeyState.h"
#include "engine/TextureMgr.h"
#include "mapdata/Paths.h"
#include "world/Actors.h"
#include "world/Equipment.h"
#include "world/GameWorld.h"
#include "world/MessageWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace worldtest {

struct WindowCall {
    std::vector<std::string> Lines;
    std::string Title;
    std::string Result;
    bool Centre = false;
};

// The weapons the class defaults name, with round numbers the tests can reason about.
inline const char* const kTestEquipment = R"({
  "weapons": [
    {"Name": "Hrouda slizu", "Damage": 1, "Rate": 1.0, "ProjectileSpeed": 5.0,
     "ProjectileWidth": 16, "ProjectileHeight": 16},
    {"Name": "Drápy", "Damage": 2},
    {"Name": "Fireball", "Damage": 3, "Rate": 0.5, "ProjectileSpeed": 6.0,
     "ProjectileWidth": 32, "ProjectileHeight": 16, "ProjectileBlend": 1},
    {"Name": "Vrhací nože", "Damage": 2, "Rate": 2.0, "ProjectileSpeed": 8.0,
     "ProjectileWidth": 24, "ProjectileHeight": 6},
    {"Name": "Dýka", "Damage": 1}
  ],
  "armours": [{"Name": "Kůže"}, {"Name": "Vycpávaná zbroj", "Protection": 2}]
})";

class WorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        tv::RegisterWorldClasses();
        tv::ResetKeyState();
        tv::LoadEquipmentJson(kTestEquipment);
        tv::CurrentWorld = nullptr;
        previousHook_ = tv::SetMessageWindowHook([this](const std::vector<std::string>& lines,
                                                        const std::string& title,
                                                        const std::string& result, bool centre) {
            windows_.push_back(WindowCall{lines, title, result, centre});
        });
    }

    void TearDown() override {
        world_.reset();
        tv::CurrentWorld = nullptr;
        tv::ResetKeyState();
        tv::ClearEquipment();
        tv::SetMessageWindowHook(previousHook_);
    }

    // A world that the objects consult from the start.
    tv::TGameWorld& World() {
        if (!world_) {
            world_ = std::make_unique<tv::TGameWorld>();
            world_->MakeCurrent();
        }
        return *world_;
    }

    // Makes an object of class T on objectDevice_ (none in WorldTest) and adds it to the world.
    template <class T> T* Add(int x, int y, int width, int height, int z = tv::kClassDefaultZ) {
        auto object = std::make_unique<T>(objectDevice_, tv::TDXBounds{x, y, width, height},
                                          nullptr, 0u, z, true);
        return static_cast<T*>(World().AddObject(std::move(object)));
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        if (world_)
            for (const tv::TWorldMessage& m : world_->MessageLog)
                texts.push_back(m.Text);
        return texts;
    }

    tv::ManualClock clock_{100000};
    tv::ScopedClock scopedClock_{clock_};
    std::unique_ptr<tv::TGameWorld> world_;
    tv::PD3DDevice objectDevice_;
    std::vector<WindowCall> windows_;
    tv::MessageWindowHook previousHook_;
};

// A headless device, a texture cache on it and a temporary game folder for pictures.
class GfxWorldTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        oldBase_ = tv::BaseFolder();
        tv::SetBaseFolder(dir_.path());
        target_ = std::make_unique<tv::THeadlessTarget>(800, 600);
        engine_ = std::make_unique<tv::TEngineSession>(target_.get(), 800, 600);
        device_ = engine_->Device();
        ASSERT_TRUE(device_) << "no OpenGL 3.3 core context (run under Xvfb)";
        objectDevice_ = device_;
    }

    void TearDown() override {
        // Objects go before the cache that lends them textures.
        world_.reset();
        objectDevice_.reset();
        device_.reset();
        engine_.reset();
        target_.reset();
        tv::SetBaseFolder(oldBase_);
        WorldTest::TearDown();
    }

    // Saves a solid picture as Data/Graphic/<name> (name with "/" separators).
    void SavePicture(const std::string& name, int width, int height, QRgb color) {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(color);
        const QString path = QString::fromStdString(dir_.path() + "Data/Graphic/" + name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_TRUE(image.save(path)) << name;
    }

    tvtest::TempDir dir_;
    std::string oldBase_;
    std::unique_ptr<tv::THeadlessTarget> target_;
    std::unique_ptr<tv::TEngineSession> engine_;
    tv::PD3DDevice device_;
};

} // namespace worldtest

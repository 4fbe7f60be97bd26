// The world object base: visibility, the vertical limit, layer order, streams, Clone and the
// class tables.

#include "WorldTestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Objects.h"
#include "mapdata/Stream.h"

using namespace tv;
using worldtest::GfxWorldTest;
using worldtest::WorldTest;

namespace {

std::unique_ptr<TBaseObj> MakeBase(int x, int y, int w, int h, int z = kClassDefaultZ) {
    return std::make_unique<TBaseObj>(PD3DDevice(), TDXBounds{x, y, w, h}, nullptr, 0u, z, true);
}

} // namespace

TEST_F(WorldTest, WithoutAWorldEverythingIsOnScreenAndVerticalMovesAreFree) {
    auto object = MakeBase(5000, -900, 64, 32);
    EXPECT_TRUE(object->IsOnScreen());
    object->Move(0.0f, -50.0f);
    EXPECT_EQ(object->GetPosition(), (TPoint{5000, -950}));
}

TEST_F(WorldTest, OnScreenWhenOverlappingTheViewStrictly) {
    TBaseObj* inside = Add<TBaseObj>(736, 0, 64, 32);
    TBaseObj* touching = Add<TBaseObj>(800, 0, 64, 32);
    TBaseObj* leftTouching = Add<TBaseObj>(-64, 100, 64, 32);
    TBaseObj* leftInside = Add<TBaseObj>(-63, 100, 64, 32);
    TBaseObj* below = Add<TBaseObj>(10, 600, 64, 32);
    EXPECT_TRUE(inside->IsOnScreen());
    EXPECT_FALSE(touching->IsOnScreen());
    EXPECT_FALSE(leftTouching->IsOnScreen());
    EXPECT_TRUE(leftInside->IsOnScreen());
    EXPECT_FALSE(below->IsOnScreen());
    // Moving counts: GetPosition is the authority, not the bounds of the last SetPosition.
    touching->Move(-1.0f, 0.0f);
    EXPECT_TRUE(touching->IsOnScreen());
    EXPECT_EQ(touching->Bounds.X, 800);
}

TEST_F(WorldTest, VerticalStepsBeyondTheMarginsAreDroppedWhole) {
    World().TopMargin = 20;
    World().BottomMargin = 20;
    TBaseObj* high = Add<TBaseObj>(100, 17, 64, 64);
    high->Move(0.0f, -3.0f); // to 14, above 15: dropped
    EXPECT_EQ(high->GetPosition().Y, 17);
    high->Move(3.0f, -2.0f); // to 15: allowed, and the horizontal part is never limited
    EXPECT_EQ(high->GetPosition(), (TPoint{103, 15}));

    TBaseObj* low = Add<TBaseObj>(100, 510, 64, 64);
    low->Move(0.0f, 8.0f); // 518 > 600 - 20 - 64 = 516
    EXPECT_EQ(low->GetPosition().Y, 510);
    low->Move(-2.0f, 6.0f); // exactly 516
    EXPECT_EQ(low->GetPosition(), (TPoint{98, 516}));
}

TEST_F(WorldTest, AddObjectKeepsLayersAndPutsTheNewestFirstAmongEquals) {
    TBaseObj* first = Add<TBaseObj>(0, 0, 8, 8, 1);
    TBaseObj* second = Add<TBaseObj>(0, 0, 8, 8, 1);
    TBaseObj* bottom = Add<TBaseObj>(0, 0, 8, 8, 0);
    TBaseObj* top = Add<TBaseObj>(0, 0, 8, 8, 7);
    TBaseObj* third = Add<TBaseObj>(0, 0, 8, 8, 1);
    const std::vector<TBaseObj*> expected{bottom, third, second, first, top};
    EXPECT_EQ(World().Objects.Items(), expected);
    for (TBaseObj* object : expected)
        EXPECT_EQ(object->World, &World());
    EXPECT_EQ(World().AddObject(static_cast<TBaseObj*>(nullptr)), nullptr);
}

TEST_F(WorldTest, CurrentWorldComesFromTheFirstUpdateAndGoesWithTheWorld) {
    auto world = std::make_unique<TGameWorld>();
    TBaseObj* object = world->AddObject(
        std::make_unique<TBaseObj>(PD3DDevice(), TDXBounds{900, 0, 10, 10}, nullptr, 0u, 0, true));
    EXPECT_EQ(CurrentWorld, nullptr);
    EXPECT_TRUE(object->IsOnScreen()); // no world consulted yet
    object->Update();
    EXPECT_EQ(CurrentWorld, world.get());
    EXPECT_FALSE(object->IsOnScreen());
    world.reset();
    EXPECT_EQ(CurrentWorld, nullptr);
}

TEST_F(WorldTest, ClassLayersReplaceOnlyTheDefaultMarker) {
    const std::vector<std::pair<std::string, int>> defaults{
        {"TBaseObj", -100}, {"TColObj", -100}, {"TBackGround", -10},
        {"TDecor", 0},      {"TEntity", 1},    {"TEnemy", 1},
        {"TBoss", 3},       {"TPlayer", 4},    {"TProjectile", 5}};
    for (const auto& [name, z] : defaults) {
        SCOPED_TRACE(name);
        EXPECT_EQ(
            CreateWorldObject(name, PD3DDevice(), TDXBounds{}, nullptr, 0u, kClassDefaultZ, false)
                ->Z,
            z);
        EXPECT_EQ(CreateWorldObject(name, PD3DDevice(), TDXBounds{}, nullptr, 0u, 7, false)->Z, 7);
    }
}

TEST_F(WorldTest, ClassTablesMakeWorldObjectsOnlyFromWorldClassNames) {
    for (const char* name : {"TBaseObj", "TColObj", "TEntity", "TEnemy", "TPlayer", "TBackGround",
                             "TBoss", "TDecor", "TProjectile"}) {
        SCOPED_TRACE(name);
        const TClassRegistry::Factory* factory = TClassRegistry::Instance().Find(name);
        ASSERT_NE(factory, nullptr);
        std::unique_ptr<TPersistent> made = (*factory)();
        EXPECT_STREQ(made->ClassName(), name);
        EXPECT_FALSE(TClassRegistry::Instance().IsRecordClass(name));
        EXPECT_THROW(CreateRecord(name), EError);
        EXPECT_STREQ(
            CreateWorldObject(name, PD3DDevice(), TDXBounds{}, nullptr, 0u, 0, false)->ClassName(),
            name);
    }
    for (const char* name : {"TEnemyInfo", "TBaseInfo", "TDXPanel", "Nothing"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(CreateWorldObject(name, PD3DDevice(), TDXBounds{}, nullptr, 0u, 0, false),
                     EError);
    }
    EXPECT_EQ(WorldClassForRecord("TBossInfo"), "TBoss");
    EXPECT_EQ(WorldClassForRecord("TEnemy"), "");
}

TEST_F(WorldTest, StreamRoundTripRestoresEveryStreamedField) {
    auto source = std::make_unique<TEnemy>(PD3DDevice(), TDXBounds{120, 240, 96, 48}, nullptr,
                                           0x80FF0000u, 6, true);
    source->Name = "Žabák";
    source->Texture->Name = "enemies\\frog.png";
    source->Speed = -1.25f;
    source->FrameWidth = 48;
    source->FrameHeight = 24;
    source->FPS = 12;
    source->Animating = true;
    source->Blend = bl_add;
    TMemoryStream stream;
    source->SaveToStream(stream);

    auto copy =
        std::make_unique<TEnemy>(PD3DDevice(), TDXBounds{}, nullptr, 0u, kClassDefaultZ, false);
    stream.SetPosition(0);
    copy->LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_EQ(copy->Name, "Žabák");
    EXPECT_EQ(copy->Bounds, (TDXBounds{120, 240, 96, 48}));
    EXPECT_EQ(copy->Texture->Name, "enemies\\frog.png");
    EXPECT_EQ(copy->Z, 6);
    EXPECT_EQ(copy->Color, 0x80FF0000u);
    EXPECT_FLOAT_EQ(copy->Speed, -1.25f);
    EXPECT_EQ(copy->FrameWidth, 48);
    EXPECT_EQ(copy->FrameHeight, 24);
    EXPECT_EQ(copy->FPS, 12);
    EXPECT_TRUE(copy->Animating);
    EXPECT_EQ(copy->Blend, bl_add);

    // The header is the name and the corner; a short stream fails after what it could read.
    TMemoryStream header;
    source->WriteHeader(header);
    header.SetPosition(0);
    auto partial = MakeBase(0, 0, 1, 1);
    EXPECT_THROW(partial->LoadFromStream(header), EError);
    EXPECT_EQ(partial->Name, "Žabák");
    EXPECT_EQ(partial->Bounds.Y, 240);
}

TEST_F(WorldTest, CloneCopiesStreamFieldsButActorValuesAreClassDefaults) {
    TEnemy* source = Add<TEnemy>(300, 200, 96, 48);
    source->Name = "Slime";
    source->HitPoints = 2;
    source->MaxHitPoints = 40;
    source->ExperiencePoints = 999;
    source->RangedWeapon = nullptr;
    source->Speed = -3.5f;
    source->Texture->Name = "enemies\\slime.png";
    source->Move(-50.0f, 0.0f);

    std::unique_ptr<TBaseObj> made = source->Clone();
    auto* copy = dynamic_cast<TEnemy*>(made.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->World, nullptr);
    EXPECT_EQ(copy->Name, "Slime");
    EXPECT_FLOAT_EQ(copy->Speed, -3.5f);
    // Placed at the bounds of the last SetPosition, not where the source has moved since.
    EXPECT_EQ(copy->GetPosition(), (TPoint{300, 200}));
    EXPECT_EQ(copy->HitPoints, 6);
    EXPECT_EQ(copy->MaxHitPoints, 6);
    EXPECT_EQ(copy->ExperiencePoints, 150);
    ASSERT_NE(copy->RangedWeapon, nullptr);
    EXPECT_EQ(copy->RangedWeapon->Name, "Hrouda slizu");
    // The copy's texture is its own object with the same name.
    EXPECT_NE(copy->Texture, source->Texture);
    EXPECT_EQ(copy->Texture->Name, "enemies\\slime.png");
}

TEST_F(WorldTest, ApplyInfoWithoutATextureCacheNamesTheTextureAndSetsBoundsOnly) {
    TDecorInfo record;
    record.Name = "Rock";
    record.Left = 40;
    record.Top = 300;
    record.Width = 128;
    record.Height = 96;
    record.Z = 2;
    record.Color = 0xFF00FF00u;
    record.Texture = "decors\\rock.png";
    record.Blend = 1;
    record.Speed = -1.5f;
    record.ProjectilesPass = 1;
    auto decor = std::make_unique<TDecor>(PD3DDevice(), TDXBounds{0, 0, 10, 10}, nullptr, 0u,
                                          kClassDefaultZ, true);
    decor->ApplyInfo(record);
    EXPECT_EQ(decor->Name, "Rock");
    EXPECT_EQ(decor->Texture->Name, "decors\\rock.png");
    EXPECT_EQ(decor->Bounds, (TDXBounds{40, 300, 128, 96}));
    EXPECT_EQ(decor->GetPosition(), (TPoint{-59, -43})); // the old centre, the new size
    EXPECT_EQ(decor->Z, 2);
    EXPECT_EQ(decor->Blend, bl_add);
    EXPECT_TRUE(decor->ProjectilesPass);
    decor->RebuildQuad();
    EXPECT_EQ(decor->GetPosition(), (TPoint{40, 300}));
}

// --- with a device: textures and their owners ---------------------------------------------------

TEST_F(GfxWorldTest, ClonesOfOwnAndCachedTexturesAreFreedOnceEach) {
    SavePicture("things/own.png", 32, 32, qRgb(200, 10, 10));
    SavePicture("things/cached.png", 64, 32, qRgb(10, 200, 10));
    // An object with a texture of its own (loaded from a file, not through the cache).
    auto own = std::make_unique<TDecor>(device_, TDXBounds{10, 10, 32, 32}, nullptr, 0u, 0, true);
    own->Texture->SetFile("things/own.png", true, 0, true);
    ASSERT_TRUE(own->Texture->Texture);
    std::unique_ptr<TBaseObj> ownCopy = own->Clone();
    EXPECT_NE(ownCopy->Texture, own->Texture);
    EXPECT_EQ(ownCopy->Texture->Texture, own->Texture->Texture); // one device texture
    std::unique_ptr<TBaseObj> copyOfCopy = ownCopy->Clone();
    own.reset();
    ASSERT_TRUE(ownCopy->Texture->Texture);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(ownCopy->Texture->Texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 32u);
    ownCopy.reset();
    copyOfCopy.reset();

    // An object with the cache's texture: the copy shares the very object.
    TDecorInfo record;
    record.Texture = "things/cached.png";
    record.Width = 64;
    record.Height = 32;
    auto cached = std::make_unique<TDecor>(device_, TDXBounds{0, 0, 64, 32}, nullptr, 0u, 0, true);
    cached->ApplyInfo(record);
    TDXTexture* fromCache = TextureMgr->FindTexture("things/cached.png");
    ASSERT_NE(fromCache, nullptr);
    EXPECT_EQ(cached->Texture, fromCache);
    EXPECT_EQ(fromCache->Tag, 3);
    std::unique_ptr<TBaseObj> cachedCopy = cached->Clone();
    EXPECT_EQ(cachedCopy->Texture, fromCache);
    cached.reset();
    cachedCopy.reset();
    EXPECT_TRUE(TextureMgr->Holds(fromCache));
    EXPECT_TRUE(fromCache->Texture);
}

TEST_F(GfxWorldTest, ReadBodyBindsNamesWithoutLoadingOrRenamingCachedTextures) {
    SavePicture("a.png", 8, 8, qRgb(1, 2, 3));
    SavePicture("b.png", 16, 8, qRgb(1, 2, 3));
    TDXTexture* a = TextureMgr->GetTexture("a.png", 0);
    TDXTexture* b = TextureMgr->GetTexture("b.png", 0);
    auto writer = MakeBase(0, 0, 8, 8);

    auto reader = std::make_unique<TBaseObj>(device_, TDXBounds{0, 0, 8, 8}, a, 0u, 0, true);
    // A name the cache holds binds to the cache's texture; "a.png" keeps its name.
    writer->Texture->Name = "B.PNG";
    TMemoryStream stream;
    writer->SaveToStream(stream);
    stream.SetPosition(0);
    reader->LoadFromStream(stream);
    EXPECT_EQ(reader->Texture, b);
    EXPECT_EQ(a->Name, "a.png");
    // A name the cache lacks gives an own texture that only carries it.
    writer->Texture->Name = "missing.png";
    stream.Clear();
    writer->SaveToStream(stream);
    stream.SetPosition(0);
    reader->LoadFromStream(stream);
    EXPECT_FALSE(TextureMgr->Holds(reader->Texture));
    EXPECT_EQ(reader->Texture->Name, "missing.png");
    EXPECT_FALSE(reader->Texture->Texture);
    EXPECT_EQ(TextureMgr->Count(), 2u);
    EXPECT_EQ(b->Name, "b.png");
}

TEST_F(GfxWorldTest, ApplyInfoWithAMissingTextureRaisesAndKeepsBoundsAndTexture) {
    TEnemyInfo record;
    record.Name = "Ghost";
    record.Texture = "enemies\\nowhere.png";
    record.Width = 300;
    auto enemy = std::make_unique<TEnemy>(device_, TDXBounds{5, 6, 96, 48}, nullptr, 0u, 1, true);
    TDXTexture* before = enemy->Texture;
    EXPECT_THROW(enemy->ApplyInfo(record), EError);
    EXPECT_EQ(enemy->Name, "Ghost"); // the first step happened
    EXPECT_EQ(enemy->Texture, before);
    EXPECT_EQ(enemy->Bounds, (TDXBounds{5, 6, 96, 48}));
}

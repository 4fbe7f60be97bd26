#include "TestSupport.h"
#include "mapdata/Errors.h"
#include "mapdata/Objects.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace tv;
using tvtest::Bytes;
using tvtest::ByteWriter;

namespace {

const char* const kAllClasses[] = {"TBaseInfo",   "TBackGroundInfo", "TColObjInfo", "TDecorInfo",
                                   "TEntityInfo", "TEnemyInfo",      "TBossInfo",   "TPlayerInfo"};

std::unique_ptr<TBaseInfo> MakeAny(std::string_view className) {
    if (className == "TColObjInfo")
        return std::make_unique<TColObjInfo>();
    if (className == "TEntityInfo")
        return std::make_unique<TEntityInfo>();
    return CreateRecord(className);
}

Bytes Written(const TBaseInfo& record) {
    TMemoryStream s;
    record.WriteToStream(s);
    return s.Bytes();
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EError& e) {
        return e.what();
    }
    return "";
}

const std::string kDrapy = "Dr\xC3\xA1py";
const std::string kKuze = "K\xC5\xAF\xC5\xBE"
                          "e";

} // namespace

TEST(RecordDefaults, BaseBackgroundAndCollisionClasses) {
    const TBaseInfo base;
    EXPECT_EQ(base.Name, "Base");
    EXPECT_EQ(base.Group, "Misc");
    EXPECT_EQ(base.Z, -100);
    EXPECT_EQ(base.Color, 0xFFFFFFFFu);
    EXPECT_EQ(base.Texture, "editor\\obj.png");
    EXPECT_EQ(base.Width, 0);
    EXPECT_EQ(base.Speed, 0.0f);

    const TBackGroundInfo back;
    EXPECT_EQ(back.Name, "Back");
    EXPECT_EQ(back.Group, "BackGrounds");
    EXPECT_EQ(back.Z, -10);
    EXPECT_EQ(back.Speed, 0.0005f);
    EXPECT_EQ(back.Width, 800);
    EXPECT_EQ(back.Height, 600);
    EXPECT_EQ(back.Texture, "editor\\obj.png"); // inherited

    const TColObjInfo col;
    EXPECT_EQ(col.Name, "ColObj");
    EXPECT_EQ(col.Group, "Misc");
    EXPECT_EQ(col.Speed, -2.0f);
    EXPECT_EQ(col.Z, -100);
    EXPECT_EQ(col.Animated, 0);

    const TDecorInfo decor;
    EXPECT_EQ(decor.Name, "Decor");
    EXPECT_EQ(decor.Group, "Decors");
    EXPECT_EQ(decor.Z, 0);
    EXPECT_EQ(decor.Width, 128);
    EXPECT_EQ(decor.Height, 128);
    EXPECT_EQ(decor.Speed, -2.0f);
}

TEST(RecordDefaults, ActorClassesInheritWhatTheyDoNotOverride) {
    const TEntityInfo entity;
    EXPECT_EQ(entity.Name, "Entity");
    EXPECT_EQ(entity.Group, "Misc");
    EXPECT_EQ(entity.Z, 1);
    EXPECT_EQ(entity.Animated, 1);
    EXPECT_EQ(entity.Speed, -2.0f);
    EXPECT_EQ(entity.FireSound, "ingame\\enemy_fire.wav");
    EXPECT_EQ(entity.AmbientSound, "ingame\\enemy_amb.wav");

    const TEnemyInfo enemy;
    EXPECT_EQ(enemy.Group, "Enemies");
    EXPECT_EQ(enemy.Speed, -3.0f);
    EXPECT_EQ(enemy.HitPoints, 6);
    EXPECT_EQ(enemy.ExperiencePoints, 150);
    EXPECT_EQ(enemy.FrameWidth, 64);
    EXPECT_EQ(enemy.FrameHeight, 32);
    EXPECT_EQ(enemy.Width, 128);
    EXPECT_EQ(enemy.Height, 64);
    EXPECT_EQ(enemy.RangedWeapon, "Hrouda slizu");
    EXPECT_EQ(enemy.MeleeWeapon, kDrapy);
    EXPECT_EQ(enemy.Armour, kKuze);
    EXPECT_EQ(enemy.Z, 1);

    const TBossInfo boss;
    EXPECT_EQ(boss.Name, "Boss");
    EXPECT_EQ(boss.Group, "Bosses");
    EXPECT_EQ(boss.Height, 256);
    EXPECT_EQ(boss.FrameHeight, 128);
    EXPECT_EQ(boss.HitPoints, 30);
    EXPECT_EQ(boss.ExperiencePoints, 1000);
    EXPECT_EQ(boss.RangedWeapon, "Fireball");
    EXPECT_EQ(boss.Z, 3);
    // What a boss keeps from the enemy.
    EXPECT_EQ(boss.MeleeWeapon, kDrapy);
    EXPECT_EQ(boss.Armour, kKuze);
    EXPECT_EQ(boss.Speed, -3.0f);
    EXPECT_EQ(boss.HitSound, "ingame\\enemy_hit.wav");

    const TPlayerInfo player;
    EXPECT_EQ(player.Group, "Players");
    EXPECT_EQ(player.Speed, 4.0f);
    EXPECT_EQ(player.HitPoints, 15);
    EXPECT_EQ(player.Z, 4);
    EXPECT_EQ(player.RangedWeapon, "Vrhac\xC3\xAD no\xC5\xBE"
                                   "e");
    EXPECT_EQ(player.SecondRangedWeapon, "Fireball");
    EXPECT_EQ(player.MeleeWeapon, "D\xC3\xBDka");
    EXPECT_EQ(player.Armour, "Vycp\xC3\xA1van\xC3\xA1 zbroj");
    EXPECT_EQ(player.FireSound, "ingame\\player_fire.wav");
    EXPECT_EQ(player.AmbientSound, "ingame\\enemy_amb.wav");
    EXPECT_EQ((std::vector<int>{player.KeyLeft, player.KeyRight, player.KeyUp, player.KeyDown,
                                player.KeyFire1, player.KeyFire2}),
              (std::vector<int>{37, 39, 38, 40, 16, 17}));
}

TEST(RecordDefaults, SetDefaultsResetsAChangedRecord) {
    TBossInfo boss;
    boss.Left = 77;
    boss.Name = "Changed";
    boss.Group = "Elsewhere";
    boss.ProjectilesPass = 1;
    boss.SetDefaults();
    const TBossInfo fresh;
    EXPECT_EQ(Written(boss), Written(fresh));
    EXPECT_EQ(boss.Group, "Bosses");
}

TEST(RecordStream, DecorWithEmptyTextsIs43Bytes) {
    TDecorInfo decor;
    decor.Name.clear();
    decor.Texture.clear();
    decor.Left = 1;
    decor.Top = -2;
    decor.Color = 0x80FF0000u;
    decor.Blend = 1;
    decor.ProjectilesPass = 1;
    const Bytes expected = ByteWriter()
                               .raw({0x06, 0x00})
                               .i32(1)
                               .i32(-2)
                               .raw({0x06, 0x00})
                               .i32(128)
                               .i32(128)
                               .i32(0)
                               .raw({0x00, 0x00, 0xFF, 0x80})
                               .f32(-2.0f)
                               .i32(0)
                               .i32(0)
                               .u8(1)
                               .u8(1)
                               .u8(0)
                               .bytes();
    ASSERT_EQ(expected.size(), 43u);
    EXPECT_EQ(Written(decor), expected);
}

TEST(RecordStream, PlayerLayoutIsByteExactInFieldOrder) {
    // Every field holds a distinct value so that a swapped pair shows.
    const Bytes bytes = ByteWriter()
                            .shortString("Hero")
                            .i32(10)
                            .i32(20)
                            .shortString("p.png")
                            .i32(30)
                            .i32(40)
                            .i32(50)
                            .i32(0x11223344)
                            .f32(1.5f)
                            .i32(60)
                            .i32(70)
                            .u8(1)
                            .u8(2)
                            .u8(3)
                            .shortString("r")
                            .shortString("m")
                            .shortString("a")
                            .shortString("f")
                            .shortString("d")
                            .shortString("h")
                            .shortString("b")
                            .i32(80)
                            .i32(90)
                            .shortString("s")
                            .u16(101)
                            .u16(102)
                            .u16(103)
                            .u16(104)
                            .u16(105)
                            .u16(106)
                            .bytes();
    TPlayerInfo player;
    player.Group = "Something else";
    TMemoryStream in(bytes);
    player.ReadFromStream(in);
    EXPECT_EQ(in.Position(), bytes.size());
    EXPECT_EQ(player.Group, "Players");
    EXPECT_EQ(player.Name, "Hero");
    EXPECT_EQ(player.Left, 10);
    EXPECT_EQ(player.Top, 20);
    EXPECT_EQ(player.Texture, "p.png");
    EXPECT_EQ(player.Width, 30);
    EXPECT_EQ(player.Height, 40);
    EXPECT_EQ(player.Z, 50);
    EXPECT_EQ(player.Color, 0x11223344u);
    EXPECT_EQ(player.Speed, 1.5f);
    EXPECT_EQ(player.FrameWidth, 60);
    EXPECT_EQ(player.FrameHeight, 70);
    EXPECT_EQ(player.Blend, 1);
    EXPECT_EQ(player.ProjectilesPass, 2);
    EXPECT_EQ(player.Animated, 3);
    EXPECT_EQ(player.RangedWeapon, "r");
    EXPECT_EQ(player.MeleeWeapon, "m");
    EXPECT_EQ(player.Armour, "a");
    EXPECT_EQ(player.FireSound, "f");
    EXPECT_EQ(player.DieSound, "d");
    EXPECT_EQ(player.HitSound, "h");
    EXPECT_EQ(player.AmbientSound, "b");
    EXPECT_EQ(player.HitPoints, 80);
    EXPECT_EQ(player.ExperiencePoints, 90);
    EXPECT_EQ(player.SecondRangedWeapon, "s");
    EXPECT_EQ(player.KeyLeft, 101);
    EXPECT_EQ(player.KeyFire2, 106);
    EXPECT_EQ(Written(player), bytes);
}

TEST(RecordStream, ReadSetsGroupFromTheClassAndFailsOnShortOrBadData) {
    const TBossInfo source;
    const Bytes bytes = Written(source);
    TBossInfo boss;
    boss.Group = "Enemies";
    TMemoryStream in(bytes);
    boss.ReadFromStream(in);
    EXPECT_EQ(boss.Group, "Bosses");

    for (size_t cut : {size_t{0}, size_t{1}, bytes.size() / 2, bytes.size() - 1}) {
        TMemoryStream shortStream(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
        TBossInfo target;
        EXPECT_EQ(ErrorOf([&] { target.ReadFromStream(shortStream); }), kStreamReadError)
            << "cut at " << cut;
    }
    Bytes badTag = bytes;
    badTag[0] = 0x07;
    TMemoryStream badStream(badTag);
    TBossInfo target;
    EXPECT_EQ(ErrorOf([&] { target.ReadFromStream(badStream); }), kInvalidPropertyValue);
}

TEST(CloneInfo, EveryClassKeepsEveryStoredField) {
    for (const char* className : kAllClasses) {
        SCOPED_TRACE(className);
        std::unique_ptr<TBaseInfo> source = MakeAny(className);
        source->Name = "N\xC3\xA1zev";
        source->Left = -7;
        source->Top = 123456;
        source->Texture = std::string(300, 't');
        source->Width = 1;
        source->Height = 2;
        source->Z = 3;
        source->Color = 0xDEADBEEFu;
        source->Speed = std::nanf("");
        source->FrameWidth = 4;
        source->FrameHeight = 5;
        source->Blend = 200;
        if (auto* col = dynamic_cast<TColObjInfo*>(source.get())) {
            col->ProjectilesPass = 9;
            col->Animated = 0;
        }
        if (auto* entity = dynamic_cast<TEntityInfo*>(source.get())) {
            entity->RangedWeapon = "R";
            entity->MeleeWeapon = "";
            entity->Armour = "A";
            entity->HitPoints = -1;
            entity->ExperiencePoints = 99;
            entity->FireSound = "F";
            entity->DieSound = "D";
            entity->HitSound = "H";
            entity->AmbientSound = "B";
        }
        if (auto* player = dynamic_cast<TPlayerInfo*>(source.get())) {
            player->KeyLeft = 65;
            player->KeyRight = 68;
            player->KeyUp = 87;
            player->KeyDown = 83;
            player->KeyFire1 = 0xFFFF;
            player->KeyFire2 = 0;
            player->SecondRangedWeapon = "Second";
        }
        source->Group = "Not the class group";

        const std::unique_ptr<TBaseInfo> copy = CloneInfo(*source);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy.get(), source.get());
        EXPECT_STREQ(copy->ClassName(), className);
        EXPECT_EQ(Written(*copy), Written(*source));
        EXPECT_EQ(copy->Group, GroupForClass(*copy));

        // The copy is independent of the source.
        copy->Texture = "other";
        EXPECT_EQ(source->Texture, std::string(300, 't'));
    }
}

TEST(GroupForClass, UsesTheExactClass) {
    EXPECT_EQ(GroupForClass(TBaseInfo()), "Misc");
    EXPECT_EQ(GroupForClass(TColObjInfo()), "Misc");
    EXPECT_EQ(GroupForClass(TEntityInfo()), "Misc");
    EXPECT_EQ(GroupForClass(TBackGroundInfo()), "BackGrounds");
    EXPECT_EQ(GroupForClass(TDecorInfo()), "Decors");
    EXPECT_EQ(GroupForClass(TEnemyInfo()), "Enemies");
    EXPECT_EQ(GroupForClass(TBossInfo()), "Bosses");
    EXPECT_EQ(GroupForClass(TPlayerInfo()), "Players");
}

namespace {

int gDummyConstructions = 0;

class TDummyWorldObj : public TPersistent {
public:
    TDummyWorldObj() { ++gDummyConstructions; }
    const char* ClassName() const override { return "TDummyWorldObj"; }
};

} // namespace

TEST(ClassRegistry, RecordClassesAreThereAndLookupIgnoresCase) {
    TClassRegistry& registry = TClassRegistry::Instance();
    for (const char* name :
         {"TBaseInfo", "TBackGroundInfo", "TDecorInfo", "TEnemyInfo", "TBossInfo", "TPlayerInfo"}) {
        EXPECT_TRUE(registry.IsRecordClass(name)) << name;
        EXPECT_STREQ(CreateRecord(name)->ClassName(), name);
    }
    EXPECT_STREQ(CreateRecord("tbackgroundinfo")->ClassName(), "TBackGroundInfo");
    EXPECT_STREQ(CreateRecord("TENEMYINFO")->ClassName(), "TEnemyInfo");
    EXPECT_EQ(registry.Find("TColObjInfo"), nullptr);
    EXPECT_EQ(ErrorOf([] { CreateRecord("TEntityInfo"); }), "Class TEntityInfo not found");
    EXPECT_EQ(ErrorOf([] { CreateRecord(""); }), "Class  not found");
}

TEST(ClassRegistry, WorldObjectClassIsNeverMadeIntoARecord) {
    TClassRegistry& registry = TClassRegistry::Instance();
    registry.Register("TDummyWorldObj", [] { return std::make_unique<TDummyWorldObj>(); });
    ASSERT_NE(registry.Find("tdummyworldobj"), nullptr);
    EXPECT_FALSE(registry.IsRecordClass("TDummyWorldObj"));
    const int before = gDummyConstructions;
    EXPECT_EQ(ErrorOf([] { CreateRecord("TDUMMYWORLDOBJ"); }),
              "Class TDUMMYWORLDOBJ is not an object type");
    EXPECT_EQ(gDummyConstructions, before);

    // A record class name registered again by another library as a plain class is no record.
    registry.Register("TDummyRecordLike", [] { return std::make_unique<TBaseInfo>(); });
    EXPECT_EQ(ErrorOf([] { CreateRecord("TDummyRecordLike"); }),
              "Class TDummyRecordLike is not an object type");
}

namespace {

int gLiveCounted = 0;

class TCountedInfo : public TBaseInfo {
public:
    TCountedInfo() { ++gLiveCounted; }
    ~TCountedInfo() override { --gLiveCounted; }
};

} // namespace

TEST(BaseInfoList, OwningListFreesAndViewDoesNot) {
    gLiveCounted = 0;
    {
        TBaseInfoList owner(true);
        TBaseInfoList view(false);
        for (int i = 0; i < 4; ++i)
            view.Add(owner.Add(new TCountedInfo));
        EXPECT_EQ(gLiveCounted, 4);

        view.Delete(0);
        view.Clear();
        EXPECT_EQ(gLiveCounted, 4);

        owner.Delete(1);
        EXPECT_EQ(gLiveCounted, 3);

        TBaseInfo* kept = owner[0];
        std::unique_ptr<TBaseInfo> taken = owner.Extract(kept);
        EXPECT_EQ(taken.get(), kept);
        EXPECT_EQ(owner.Count(), 2);
        taken.reset();
        EXPECT_EQ(gLiveCounted, 2);

        TBaseInfo* third = owner.Insert(0, new TCountedInfo);
        EXPECT_EQ(owner.IndexOf(third), 0);
        EXPECT_EQ(ErrorOf([&] { owner.Insert(5, new TCountedInfo); }),
                  "List index out of bounds (5)");
        EXPECT_EQ(ErrorOf([&] { owner.Delete(-1); }), "List index out of bounds (-1)");
        EXPECT_EQ(gLiveCounted, 3);

        // A view that takes a record out does not hand over ownership.
        TBaseInfoList view2(false);
        view2.Add(third);
        EXPECT_EQ(view2.Extract(third), nullptr);
        EXPECT_EQ(view2.Count(), 0);
    }
    EXPECT_EQ(gLiveCounted, 0);
}

TEST(RecordStream, TextsReadExactlyAsTheTaggedStringReader) {
    // Records read their texts through a faster path; it must agree with ReadStreamString on
    // every input, well-formed or not, including where it fails.
    std::mt19937 random(1234);
    const std::vector<Bytes> pieces = {{0xEF, 0xBB, 0xBF},
                                       {0xC3, 0xA1},
                                       {0xE0, 0x80, 0x80},
                                       {0xED, 0xA0, 0x80},
                                       {0xF4, 0x90, 0x80, 0x80},
                                       {0xF0, 0x9F, 0x98, 0x80},
                                       {0xC0, 0xAF},
                                       {0x80},
                                       {0xFF},
                                       {'a'},
                                       {0x00},
                                       {0x8A},
                                       {0xEF, 0xBF, 0xBE}};
    for (int round = 0; round < 4000; ++round) {
        Bytes payload;
        const int count = static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i) {
            const Bytes& piece = pieces[random() % pieces.size()];
            payload.insert(payload.end(), piece.begin(), piece.end());
        }
        ByteWriter w;
        const uint8_t tags[] = {0x06, 0x0C, 0x12, 0x14, 0x07};
        const uint8_t tag = tags[random() % 5];
        w.u8(tag);
        if (tag == 0x06)
            w.u8(static_cast<uint8_t>(payload.size()));
        else if (tag == 0x12)
            w.i32(static_cast<int32_t>(payload.size() / 2));
        else
            w.i32(static_cast<int32_t>(payload.size()) + static_cast<int32_t>(random() % 3) - 1);
        w.raw(payload);
        Bytes bytes = w.bytes();
        if (random() % 4 == 0 && !bytes.empty())
            bytes.resize(random() % bytes.size());

        // The rest of a TBaseInfo after its name: 39 bytes.
        const Bytes rest = ByteWriter().i32(1).i32(2).raw({0x06, 0x00}).zeros(28).u8(9).bytes();
        bytes.insert(bytes.end(), rest.begin(), rest.end());

        std::string expected;
        std::string expectedError;
        uint64_t afterName = 0;
        {
            TMemoryStream s(bytes);
            try {
                expected = ReadStreamString(s);
                afterName = s.Position();
            } catch (const EError& e) {
                expectedError = e.what();
            }
        }
        TBaseInfo record;
        TMemoryStream s(bytes);
        std::string error;
        try {
            record.ReadFromStream(s);
        } catch (const EError& e) {
            error = e.what();
        }
        if (!expectedError.empty()) {
            ASSERT_EQ(error, expectedError) << round;
            continue;
        }
        ASSERT_EQ(record.Name, expected) << round;
        if (afterName + rest.size() == bytes.size()) {
            // The name ended where the reader said, so the fields after it read cleanly.
            ASSERT_EQ(error, "") << round;
            ASSERT_EQ(record.Left, 1);
            ASSERT_EQ(record.Blend, 9);
        }
    }
}

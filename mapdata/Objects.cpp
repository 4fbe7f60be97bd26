#include "mapdata/Objects.h"

#include "mapdata/Errors.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <typeinfo>

namespace tv {

// ---- TBaseInfo ----

TBaseInfo::TBaseInfo() {
    TBaseInfo::SetDefaults();
}

void TBaseInfo::SetDefaults() {
    Group = "Misc";
    Name = "Base";
    Left = 0;
    Top = 0;
    Width = 0;
    Height = 0;
    Z = -100;
    Color = 0xFFFFFFFFu;
    Texture = "editor\\obj.png";
    Blend = 0;
    Speed = 0.0f;
    FrameWidth = 0;
    FrameHeight = 0;
}

void TBaseInfo::ReadFromStream(TStream& stream) {
    Group = GroupForClass(*this);
    Name = ReadStreamString(stream);
    Left = stream.ReadInt32();
    Top = stream.ReadInt32();
    Texture = ReadStreamString(stream);
    Width = stream.ReadInt32();
    Height = stream.ReadInt32();
    Z = stream.ReadInt32();
    Color = stream.ReadUInt32();
    Speed = stream.ReadFloat();
    FrameWidth = stream.ReadInt32();
    FrameHeight = stream.ReadInt32();
    Blend = stream.ReadUInt8();
}

void TBaseInfo::WriteToStream(TStream& stream) const {
    WriteStreamString(stream, Name);
    stream.WriteInt32(Left);
    stream.WriteInt32(Top);
    WriteStreamString(stream, Texture);
    stream.WriteInt32(Width);
    stream.WriteInt32(Height);
    stream.WriteInt32(Z);
    stream.WriteUInt32(Color);
    stream.WriteFloat(Speed);
    stream.WriteInt32(FrameWidth);
    stream.WriteInt32(FrameHeight);
    stream.WriteUInt8(Blend);
}

// ---- TBackGroundInfo ----

TBackGroundInfo::TBackGroundInfo() {
    TBackGroundInfo::SetDefaults();
}

void TBackGroundInfo::SetDefaults() {
    TBaseInfo::SetDefaults();
    Name = "Back";
    Group = "BackGrounds";
    Z = -10;
    Speed = 0.0005f;
    Width = 800;
    Height = 600;
}

// ---- TColObjInfo ----

TColObjInfo::TColObjInfo() {
    TColObjInfo::SetDefaults();
}

void TColObjInfo::SetDefaults() {
    TBaseInfo::SetDefaults();
    Name = "ColObj";
    Speed = -2.0f;
    ProjectilesPass = 0;
    Animated = 0;
}

void TColObjInfo::ReadFromStream(TStream& stream) {
    TBaseInfo::ReadFromStream(stream);
    ProjectilesPass = stream.ReadUInt8();
    Animated = stream.ReadUInt8();
}

void TColObjInfo::WriteToStream(TStream& stream) const {
    TBaseInfo::WriteToStream(stream);
    stream.WriteUInt8(ProjectilesPass);
    stream.WriteUInt8(Animated);
}

// ---- TDecorInfo ----

TDecorInfo::TDecorInfo() {
    TDecorInfo::SetDefaults();
}

void TDecorInfo::SetDefaults() {
    TColObjInfo::SetDefaults();
    Name = "Decor";
    Group = "Decors";
    Z = 0;
    Width = 128;
    Height = 128;
}

// ---- TEntityInfo ----

namespace {
const char* const kEnemyFireSound = "ingame\\enemy_fire.wav";
const char* const kEnemyDieSound = "ingame\\enemy_die.wav";
const char* const kEnemyHitSound = "ingame\\enemy_hit.wav";
const char* const kEnemyAmbientSound = "ingame\\enemy_amb.wav";
} // namespace

TEntityInfo::TEntityInfo() {
    TEntityInfo::SetDefaults();
}

void TEntityInfo::SetDefaults() {
    TColObjInfo::SetDefaults();
    Name = "Entity";
    Z = 1;
    RangedWeapon.clear();
    MeleeWeapon.clear();
    Armour.clear();
    HitPoints = 0;
    ExperiencePoints = 0;
    FireSound = kEnemyFireSound;
    DieSound = kEnemyDieSound;
    HitSound = kEnemyHitSound;
    AmbientSound = kEnemyAmbientSound;
    Animated = 1;
}

void TEntityInfo::ReadFromStream(TStream& stream) {
    TColObjInfo::ReadFromStream(stream);
    RangedWeapon = ReadStreamString(stream);
    MeleeWeapon = ReadStreamString(stream);
    Armour = ReadStreamString(stream);
    FireSound = ReadStreamString(stream);
    DieSound = ReadStreamString(stream);
    HitSound = ReadStreamString(stream);
    AmbientSound = ReadStreamString(stream);
    HitPoints = stream.ReadInt32();
    ExperiencePoints = stream.ReadInt32();
}

void TEntityInfo::WriteToStream(TStream& stream) const {
    TColObjInfo::WriteToStream(stream);
    WriteStreamString(stream, RangedWeapon);
    WriteStreamString(stream, MeleeWeapon);
    WriteStreamString(stream, Armour);
    WriteStreamString(stream, FireSound);
    WriteStreamString(stream, DieSound);
    WriteStreamString(stream, HitSound);
    WriteStreamString(stream, AmbientSound);
    stream.WriteInt32(HitPoints);
    stream.WriteInt32(ExperiencePoints);
}

// ---- TEnemyInfo ----

TEnemyInfo::TEnemyInfo() {
    TEnemyInfo::SetDefaults();
}

void TEnemyInfo::SetDefaults() {
    TEntityInfo::SetDefaults();
    Name = "Enemy";
    Group = "Enemies";
    Speed = -3.0f;
    ExperiencePoints = 150;
    HitPoints = 6;
    FrameWidth = 64;
    FrameHeight = 32;
    Width = 128;
    Height = 64;
    RangedWeapon = "Hrouda slizu";
    MeleeWeapon = "Dr\xC3\xA1py"; // "Drápy"
    Armour = "K\xC5\xAF\xC5\xBE"
             "e"; // "Kůže"
    FireSound = kEnemyFireSound;
    DieSound = kEnemyDieSound;
    HitSound = kEnemyHitSound;
    AmbientSound = kEnemyAmbientSound;
}

// ---- TBossInfo ----

TBossInfo::TBossInfo() {
    TBossInfo::SetDefaults();
}

void TBossInfo::SetDefaults() {
    TEnemyInfo::SetDefaults();
    Name = "Boss";
    Group = "Bosses";
    Width = 128;
    Height = 256;
    FrameWidth = 64;
    FrameHeight = 128;
    HitPoints = 30;
    ExperiencePoints = 1000;
    RangedWeapon = "Fireball";
    Animated = 1;
    Z = 3;
}

// ---- TPlayerInfo ----

TPlayerInfo::TPlayerInfo() {
    TPlayerInfo::SetDefaults();
}

void TPlayerInfo::SetDefaults() {
    TEntityInfo::SetDefaults();
    Name = "Player";
    Group = "Players";
    Speed = 4.0f;
    HitPoints = 15;
    ExperiencePoints = 0;
    FrameWidth = 64;
    FrameHeight = 32;
    Z = 4;
    Width = 128;
    Height = 64;
    RangedWeapon = "Vrhac\xC3\xAD no\xC5\xBE"
                   "e"; // "Vrhací nože"
    SecondRangedWeapon = "Fireball";
    MeleeWeapon = "D\xC3\xBDka";              // "Dýka"
    Armour = "Vycp\xC3\xA1van\xC3\xA1 zbroj"; // "Vycpávaná zbroj"
    Animated = 1;
    FireSound = "ingame\\player_fire.wav";
    DieSound = "ingame\\player_die.wav";
    HitSound = "ingame\\player_hit.wav";
    AmbientSound = kEnemyAmbientSound;
    KeyLeft = 37;
    KeyRight = 39;
    KeyUp = 38;
    KeyDown = 40;
    KeyFire1 = 16;
    KeyFire2 = 17;
}

void TPlayerInfo::ReadFromStream(TStream& stream) {
    TEntityInfo::ReadFromStream(stream);
    SecondRangedWeapon = ReadStreamString(stream);
    KeyLeft = stream.ReadUInt16();
    KeyRight = stream.ReadUInt16();
    KeyUp = stream.ReadUInt16();
    KeyDown = stream.ReadUInt16();
    KeyFire1 = stream.ReadUInt16();
    KeyFire2 = stream.ReadUInt16();
}

void TPlayerInfo::WriteToStream(TStream& stream) const {
    TEntityInfo::WriteToStream(stream);
    WriteStreamString(stream, SecondRangedWeapon);
    stream.WriteUInt16(KeyLeft);
    stream.WriteUInt16(KeyRight);
    stream.WriteUInt16(KeyUp);
    stream.WriteUInt16(KeyDown);
    stream.WriteUInt16(KeyFire1);
    stream.WriteUInt16(KeyFire2);
}

// ---- Groups, creation, copies ----

std::string GroupForClass(const TBaseInfo& record) {
    const char* className = record.ClassName();
    if (TextEquals(className, "TEnemyInfo"))
        return "Enemies";
    if (TextEquals(className, "TDecorInfo"))
        return "Decors";
    if (TextEquals(className, "TBackgroundInfo"))
        return "BackGrounds";
    if (TextEquals(className, "TBossInfo"))
        return "Bosses";
    if (TextEquals(className, "TPlayerInfo"))
        return "Players";
    return "Misc";
}

void RegisterRecordClasses(TClassRegistry& registry) {
    registry.RegisterRecord("TBaseInfo", [] { return std::make_unique<TBaseInfo>(); });
    registry.RegisterRecord("TBackGroundInfo", [] { return std::make_unique<TBackGroundInfo>(); });
    registry.RegisterRecord("TDecorInfo", [] { return std::make_unique<TDecorInfo>(); });
    registry.RegisterRecord("TEnemyInfo", [] { return std::make_unique<TEnemyInfo>(); });
    registry.RegisterRecord("TBossInfo", [] { return std::make_unique<TBossInfo>(); });
    registry.RegisterRecord("TPlayerInfo", [] { return std::make_unique<TPlayerInfo>(); });
}

std::string NotRecordClassMessage(const std::string& className) {
    return "Class " + className + " is not an object type";
}

std::unique_ptr<TBaseInfo> CreateRecord(std::string_view className) {
    TClassRegistry& registry = TClassRegistry::Instance();
    const TClassRegistry::Factory* factory = registry.Find(className);
    if (!factory)
        throw EError(ClassNotFoundMessage(std::string(className)));
    // A world-object class is never instantiated in place of a record.
    if (!registry.IsRecordClass(className))
        throw EError(NotRecordClassMessage(std::string(className)));
    std::unique_ptr<TPersistent> object = (*factory)();
    auto* record = dynamic_cast<TBaseInfo*>(object.get());
    if (!record)
        throw EError(NotRecordClassMessage(std::string(className)));
    object.release();
    return std::unique_ptr<TBaseInfo>(record);
}

namespace {

template <class T> std::unique_ptr<TBaseInfo> CopyAs(const TBaseInfo& source) {
    auto copy = std::make_unique<T>(static_cast<const T&>(source));
    copy->Group = GroupForClass(*copy);
    return copy;
}

} // namespace

std::unique_ptr<TBaseInfo> CloneInfo(const TBaseInfo& source) {
    // The seven classes are copied field by field, which gives exactly what a round trip
    // through their stream layout gives (texts are held as valid UTF-8).
    const std::type_info& type = typeid(source);
    if (type == typeid(TBaseInfo))
        return CopyAs<TBaseInfo>(source);
    if (type == typeid(TBackGroundInfo))
        return CopyAs<TBackGroundInfo>(source);
    if (type == typeid(TColObjInfo))
        return CopyAs<TColObjInfo>(source);
    if (type == typeid(TDecorInfo))
        return CopyAs<TDecorInfo>(source);
    if (type == typeid(TEntityInfo))
        return CopyAs<TEntityInfo>(source);
    if (type == typeid(TEnemyInfo))
        return CopyAs<TEnemyInfo>(source);
    if (type == typeid(TBossInfo))
        return CopyAs<TBossInfo>(source);
    if (type == typeid(TPlayerInfo))
        return CopyAs<TPlayerInfo>(source);

    // Any other record class goes through the registry and its own stream layout.
    std::unique_ptr<TBaseInfo> copy = CreateRecord(source.ClassName());
    TMemoryStream stream;
    source.WriteToStream(stream);
    stream.SetPosition(0);
    copy->ReadFromStream(stream);
    return copy;
}

// ---- TBaseInfoList ----

TBaseInfoList::~TBaseInfoList() {
    Clear();
}

TBaseInfo* TBaseInfoList::Add(TBaseInfo* record) {
    try {
        items_.push_back(record);
    } catch (...) {
        if (ownsObjects_)
            delete record;
        throw;
    }
    return record;
}

TBaseInfo* TBaseInfoList::Insert(int index, TBaseInfo* record) {
    if (index < 0 || index > Count()) {
        if (ownsObjects_)
            delete record;
        throw EError(Format("List index out of bounds (%d)", index));
    }
    try {
        items_.insert(items_.begin() + index, record);
    } catch (...) {
        if (ownsObjects_)
            delete record;
        throw;
    }
    return record;
}

void TBaseInfoList::Delete(int index) {
    if (index < 0 || index >= Count())
        throw EError(Format("List index out of bounds (%d)", index));
    TBaseInfo* record = items_[static_cast<size_t>(index)];
    items_.erase(items_.begin() + index);
    if (ownsObjects_)
        delete record;
}

std::unique_ptr<TBaseInfo> TBaseInfoList::Extract(TBaseInfo* record) {
    const int index = IndexOf(record);
    if (index < 0)
        return nullptr;
    items_.erase(items_.begin() + index);
    if (!ownsObjects_)
        return nullptr;
    return std::unique_ptr<TBaseInfo>(record);
}

int TBaseInfoList::IndexOf(const TBaseInfo* record) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == record)
            return static_cast<int>(i);
    return -1;
}

void TBaseInfoList::Clear() {
    std::vector<TBaseInfo*> items;
    items.swap(items_);
    if (ownsObjects_)
        for (TBaseInfo* record : items)
            delete record;
}

} // namespace tv

#include "mapdata/Objects.h"

#include "mapdata/Errors.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <typeinfo>
#include <utility>

namespace tv {

namespace {

// Reads a tagged string into a field, with the result and errors of ReadStreamString. A text
// equal to the field's current one leaves the field as it is, so a default or prototype text
// read back stays shared instead of being copied.
void ReadText(TStream& stream, TText& field) {
    const std::string_view text = BorrowStreamString(stream);
    if (!text.data())
        field = ReadStreamString(stream);
    else if (field != text)
        field = text;
}

// GroupForClass, found for the record classes of this file by their type alone.
TText GroupOfExactClass(const TBaseInfo& record);

// The long texts that class defaults assign to every new record, made once.
struct DefaultTexts {
    TText EnemyFireSound = TText::Permanent("ingame\\enemy_fire.wav");
    TText EnemyDieSound = TText::Permanent("ingame\\enemy_die.wav");
    TText EnemyHitSound = TText::Permanent("ingame\\enemy_hit.wav");
    TText EnemyAmbientSound = TText::Permanent("ingame\\enemy_amb.wav");
    TText PlayerFireSound = TText::Permanent(TPlayerDefaults::FireSound);
    TText PlayerDieSound = TText::Permanent(TPlayerDefaults::DieSound);
    TText PlayerHitSound = TText::Permanent(TPlayerDefaults::HitSound);
    TText PlayerAmbientSound = TText::Permanent(TPlayerDefaults::AmbientSound);
    TText PlayerArmour = TText::Permanent(TPlayerDefaults::Armour);
};

const DefaultTexts& Defaults() {
    static const DefaultTexts texts;
    return texts;
}

} // namespace

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
    Group = GroupOfExactClass(*this);
    ReadText(stream, Name);
    TFieldRun<8> position(stream);
    Left = position.Int32();
    Top = position.Int32();
    ReadText(stream, Texture);
    TFieldRun<29> rest(stream);
    Width = rest.Int32();
    Height = rest.Int32();
    Z = rest.Int32();
    Color = rest.UInt32();
    Speed = rest.Float();
    FrameWidth = rest.Int32();
    FrameHeight = rest.Int32();
    Blend = rest.UInt8();
}

void TBaseInfo::WriteToStream(TStream& stream) const {
    WriteStreamString(stream, Name, "Name");
    stream.WriteInt32(Left);
    stream.WriteInt32(Top);
    WriteStreamString(stream, Texture, "Texture");
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

TBackGroundInfo::TBackGroundInfo() : TBaseInfo(NoDefaults{}) {
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

TColObjInfo::TColObjInfo() : TBaseInfo(NoDefaults{}) {
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
    TFieldRun<2> flags(stream);
    ProjectilesPass = flags.UInt8();
    Animated = flags.UInt8();
}

void TColObjInfo::WriteToStream(TStream& stream) const {
    TBaseInfo::WriteToStream(stream);
    stream.WriteUInt8(ProjectilesPass);
    stream.WriteUInt8(Animated);
}

// ---- TDecorInfo ----

TDecorInfo::TDecorInfo() : TColObjInfo(NoDefaults{}) {
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

TEntityInfo::TEntityInfo() : TColObjInfo(NoDefaults{}) {
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
    FireSound = Defaults().EnemyFireSound;
    DieSound = Defaults().EnemyDieSound;
    HitSound = Defaults().EnemyHitSound;
    AmbientSound = Defaults().EnemyAmbientSound;
    Animated = 1;
}

void TEntityInfo::ReadFromStream(TStream& stream) {
    TColObjInfo::ReadFromStream(stream);
    ReadText(stream, RangedWeapon);
    ReadText(stream, MeleeWeapon);
    ReadText(stream, Armour);
    ReadText(stream, FireSound);
    ReadText(stream, DieSound);
    ReadText(stream, HitSound);
    ReadText(stream, AmbientSound);
    TFieldRun<8> points(stream);
    HitPoints = points.Int32();
    ExperiencePoints = points.Int32();
}

void TEntityInfo::WriteToStream(TStream& stream) const {
    TColObjInfo::WriteToStream(stream);
    WriteStreamString(stream, RangedWeapon, "RangedWeapon");
    WriteStreamString(stream, MeleeWeapon, "MeleeWeapon");
    WriteStreamString(stream, Armour, "Armour");
    WriteStreamString(stream, FireSound, "FireSound");
    WriteStreamString(stream, DieSound, "DieSound");
    WriteStreamString(stream, HitSound, "HitSound");
    WriteStreamString(stream, AmbientSound, "AmbientSound");
    stream.WriteInt32(HitPoints);
    stream.WriteInt32(ExperiencePoints);
}

// ---- TEnemyInfo ----

TEnemyInfo::TEnemyInfo() : TEntityInfo(NoDefaults{}) {
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
    FireSound = Defaults().EnemyFireSound;
    DieSound = Defaults().EnemyDieSound;
    HitSound = Defaults().EnemyHitSound;
    AmbientSound = Defaults().EnemyAmbientSound;
}

// ---- TBossInfo ----

TBossInfo::TBossInfo() : TEnemyInfo(NoDefaults{}) {
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

TPlayerInfo::TPlayerInfo() : TEntityInfo(NoDefaults{}) {
    TPlayerInfo::SetDefaults();
}

void TPlayerInfo::SetDefaults() {
    TEntityInfo::SetDefaults();
    Name = TPlayerDefaults::Name;
    Group = TPlayerDefaults::Group;
    Speed = TPlayerDefaults::Speed;
    HitPoints = TPlayerDefaults::HitPoints;
    ExperiencePoints = TPlayerDefaults::ExperiencePoints;
    FrameWidth = TPlayerDefaults::FrameWidth;
    FrameHeight = TPlayerDefaults::FrameHeight;
    Z = TPlayerDefaults::Z;
    Width = 128;
    Height = 64;
    RangedWeapon = TPlayerDefaults::RangedWeapon;
    SecondRangedWeapon = TPlayerDefaults::SecondRangedWeapon;
    MeleeWeapon = TPlayerDefaults::MeleeWeapon;
    Armour = Defaults().PlayerArmour;
    Animated = 1;
    FireSound = Defaults().PlayerFireSound;
    DieSound = Defaults().PlayerDieSound;
    HitSound = Defaults().PlayerHitSound;
    AmbientSound = Defaults().PlayerAmbientSound;
    KeyLeft = TPlayerDefaults::KeyLeft;
    KeyRight = TPlayerDefaults::KeyRight;
    KeyUp = TPlayerDefaults::KeyUp;
    KeyDown = TPlayerDefaults::KeyDown;
    KeyFire1 = TPlayerDefaults::KeyFire1;
    KeyFire2 = TPlayerDefaults::KeyFire2;
}

void TPlayerInfo::ReadFromStream(TStream& stream) {
    TEntityInfo::ReadFromStream(stream);
    ReadText(stream, SecondRangedWeapon);
    TFieldRun<12> keys(stream);
    KeyLeft = keys.UInt16();
    KeyRight = keys.UInt16();
    KeyUp = keys.UInt16();
    KeyDown = keys.UInt16();
    KeyFire1 = keys.UInt16();
    KeyFire2 = keys.UInt16();
}

void TPlayerInfo::WriteToStream(TStream& stream) const {
    TEntityInfo::WriteToStream(stream);
    WriteStreamString(stream, SecondRangedWeapon, "SecondRangedWeapon");
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
    // The record classes' own names first, then the case-blind comparison for any other.
    static const std::pair<const char*, const char*> kExact[] = {
        {"TEnemyInfo", "Enemies"}, {"TDecorInfo", "Decors"},   {"TBackGroundInfo", "BackGrounds"},
        {"TBossInfo", "Bosses"},   {"TPlayerInfo", "Players"}, {"TBaseInfo", "Misc"},
        {"TColObjInfo", "Misc"},   {"TEntityInfo", "Misc"}};
    for (const auto& [name, group] : kExact)
        if (std::strcmp(className, name) == 0)
            return group;
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
    return "Class " + MessageName(className) + " is not an object type";
}

void CheckRecordClass(std::string_view className) {
    TClassRegistry& registry = TClassRegistry::Instance();
    if (!registry.Find(className))
        throw EError(ClassNotFoundMessage(std::string(className)));
    if (!registry.IsRecordClass(className))
        throw EError(NotRecordClassMessage(std::string(className)));
}

std::unique_ptr<TBaseInfo> CreateRecord(std::string_view className) {
    // A world-object class is rejected before anything is instantiated.
    CheckRecordClass(className);
    std::unique_ptr<TPersistent> object = (*TClassRegistry::Instance().Find(className))();
    auto* record = dynamic_cast<TBaseInfo*>(object.get());
    if (!record)
        throw EError(NotRecordClassMessage(std::string(className)));
    object.release();
    return std::unique_ptr<TBaseInfo>(record);
}

namespace {

template <class T> std::unique_ptr<TBaseInfo> CopyAs(const TBaseInfo& source, const TText& group) {
    auto copy = std::make_unique<T>(static_cast<const T&>(source));
    copy->Group = group;
    return copy;
}

// The eight record classes of this file, found by exact type: a field-by-field copy and the
// group GroupForClass gives.
struct TExactClass {
    const std::type_info* Type;
    std::unique_ptr<TBaseInfo> (*Copy)(const TBaseInfo& source, const TText& group);
    TText Group;
};

const TExactClass* FindExactClass(const TBaseInfo& record) {
    static const TExactClass kClasses[] = {
        {&typeid(TEnemyInfo), &CopyAs<TEnemyInfo>, "Enemies"},
        {&typeid(TDecorInfo), &CopyAs<TDecorInfo>, "Decors"},
        {&typeid(TBackGroundInfo), &CopyAs<TBackGroundInfo>, "BackGrounds"},
        {&typeid(TPlayerInfo), &CopyAs<TPlayerInfo>, "Players"},
        {&typeid(TBossInfo), &CopyAs<TBossInfo>, "Bosses"},
        {&typeid(TBaseInfo), &CopyAs<TBaseInfo>, "Misc"},
        {&typeid(TColObjInfo), &CopyAs<TColObjInfo>, "Misc"},
        {&typeid(TEntityInfo), &CopyAs<TEntityInfo>, "Misc"}};
    const std::type_info& type = typeid(record);
    // Comparing the type_info objects themselves is enough within one program; comparing
    // them as types also covers copies of them in other modules.
    for (const TExactClass& known : kClasses)
        if (known.Type == &type)
            return &known;
    for (const TExactClass& known : kClasses)
        if (*known.Type == type)
            return &known;
    return nullptr;
}

TText GroupOfExactClass(const TBaseInfo& record) {
    const TExactClass* known = FindExactClass(record);
    return known ? known->Group : TText(GroupForClass(record));
}

} // namespace

std::unique_ptr<TBaseInfo> CloneInfo(const TBaseInfo& source) {
    // The eight classes are copied field by field, which gives exactly what a round trip
    // through their stream layout gives (texts are held as valid UTF-8).
    if (const TExactClass* known = FindExactClass(source))
        return known->Copy(source, known->Group);

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
        ++changes_;
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
        ++changes_;
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
    ++changes_;
    if (ownsObjects_)
        delete record;
}

std::unique_ptr<TBaseInfo> TBaseInfoList::Extract(TBaseInfo* record) {
    const int index = IndexOf(record);
    if (index < 0)
        return nullptr;
    items_.erase(items_.begin() + index);
    ++changes_;
    if (!ownsObjects_)
        return nullptr;
    return std::unique_ptr<TBaseInfo>(record);
}

namespace {

// Indexes strictly ascending, the first not below 0 and the last below limit.
bool AscendingBelow(const std::vector<int>& indexes, size_t limit) {
    for (size_t i = 0; i < indexes.size(); ++i)
        if (indexes[i] < 0 || static_cast<size_t>(indexes[i]) >= limit ||
            (i > 0 && indexes[i] <= indexes[i - 1]))
            return false;
    return true;
}

} // namespace

void TBaseInfoList::InsertAt(const std::vector<int>& indexes,
                             const std::vector<TBaseInfo*>& records) {
    const size_t count = items_.size() + records.size();
    if (indexes.size() != records.size() || !AscendingBelow(indexes, count))
        throw EError("List index out of bounds");
    std::vector<TBaseInfo*> merged;
    merged.reserve(count);
    size_t old = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        while (merged.size() < static_cast<size_t>(indexes[i]))
            merged.push_back(items_[old++]);
        merged.push_back(records[i]);
    }
    merged.insert(merged.end(), items_.begin() + static_cast<ptrdiff_t>(old), items_.end());
    items_.swap(merged);
    ++changes_;
}

std::vector<std::unique_ptr<TBaseInfo>> TBaseInfoList::ExtractAt(const std::vector<int>& indexes) {
    assert(ownsObjects_);
    if (!AscendingBelow(indexes, items_.size()))
        throw EError("List index out of bounds");
    std::vector<std::unique_ptr<TBaseInfo>> taken;
    taken.reserve(indexes.size());
    size_t kept = 0;
    size_t next = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (next < indexes.size() && static_cast<size_t>(indexes[next]) == i) {
            taken.emplace_back(items_[i]);
            ++next;
        } else {
            items_[kept++] = items_[i];
        }
    }
    items_.resize(kept);
    ++changes_;
    return taken;
}

void TBaseInfoList::MoveFrontFrom(TBaseInfoList& other, int count) {
    assert(ownsObjects_ == other.ownsObjects_);
    const auto first = other.items_.begin();
    const auto last = first + std::clamp(count, 0, other.Count());
    items_.insert(items_.end(), first, last);
    other.items_.erase(first, last);
    ++changes_;
    ++other.changes_;
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
    ++changes_;
    if (ownsObjects_)
        for (TBaseInfo* record : items)
            delete record;
}

} // namespace tv

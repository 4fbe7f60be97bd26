#include "mapdata/Objects.h"

#include "mapdata/Errors.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <cstring>
#include <typeinfo>
#include <utility>

namespace tv {

namespace {

// True for well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF)
// that does not start with a byte order mark: exactly the texts that decoding leaves as they are.
bool IsPlainUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = p + text.size();
    if (text.size() >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return false;
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0; // no overlong forms
            if (c == 0xED)
                high = 0x9F; // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            if (c == 0xF4)
                high = 0x8F; // nothing past U+10FFFF
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        if (p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= more; ++i)
            if (p[i] < 0x80 || p[i] > 0xBF)
                return false;
        p += more + 1;
    }
    return true;
}

bool IsAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

// Lends the common forms of a tagged string straight from a stream that holds its bytes in
// memory: short ASCII strings and well-formed UTF-8, which read as exactly their bytes. False,
// with the position unchanged, for every other form and for streams that cannot lend.
bool BorrowPlainText(TStream& stream, std::string_view& text) {
    const uint8_t* head = stream.Peek(2);
    if (!head)
        return false;
    size_t headSize;
    size_t length;
    if (head[0] == kTagShortString) {
        headSize = 2;
        length = head[1];
    } else if (head[0] == kTagUtf8String && (head = stream.Peek(5)) != nullptr) {
        headSize = 5;
        length = static_cast<uint32_t>(head[1]) | (static_cast<uint32_t>(head[2]) << 8) |
                 (static_cast<uint32_t>(head[3]) << 16) | (static_cast<uint32_t>(head[4]) << 24);
        if (length > 0x7FFFFFFFu)
            return false;
    } else {
        return false;
    }
    const uint8_t* whole = stream.Peek(headSize + length);
    if (!whole)
        return false;
    const std::string_view bytes(reinterpret_cast<const char*>(whole + headSize), length);
    if (headSize == 2 ? !IsAscii(bytes) : !IsPlainUtf8(bytes))
        return false;
    stream.Borrow(headSize + length);
    text = bytes;
    return true;
}

// Reads a tagged string into a field, with the result and errors of ReadStreamString. A text
// equal to the field's current one leaves the field as it is, so a default or prototype text
// read back stays shared instead of being copied.
void ReadText(TStream& stream, TText& field) {
    std::string_view text;
    if (BorrowPlainText(stream, text)) {
        if (field != text)
            field = text;
        return;
    }
    field = ReadStreamString(stream);
}

// The long texts that class defaults assign to every new record, made once.
struct DefaultTexts {
    TText EnemyFireSound = TText::Permanent("ingame\\enemy_fire.wav");
    TText EnemyDieSound = TText::Permanent("ingame\\enemy_die.wav");
    TText EnemyHitSound = TText::Permanent("ingame\\enemy_hit.wav");
    TText EnemyAmbientSound = TText::Permanent("ingame\\enemy_amb.wav");
    TText PlayerFireSound = TText::Permanent("ingame\\player_fire.wav");
    TText PlayerDieSound = TText::Permanent("ingame\\player_die.wav");
    TText PlayerHitSound = TText::Permanent("ingame\\player_hit.wav");
    TText PlayerArmour = TText::Permanent("Vycp\xC3\xA1van\xC3\xA1 zbroj"); // "Vycpávaná zbroj"
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
    Group = GroupForClass(*this);
    ReadText(stream, Name);
    Left = stream.ReadInt32();
    Top = stream.ReadInt32();
    ReadText(stream, Texture);
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
    ProjectilesPass = stream.ReadUInt8();
    Animated = stream.ReadUInt8();
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
    MeleeWeapon = "D\xC3\xBDka"; // "Dýka"
    Armour = Defaults().PlayerArmour;
    Animated = 1;
    FireSound = Defaults().PlayerFireSound;
    DieSound = Defaults().PlayerDieSound;
    HitSound = Defaults().PlayerHitSound;
    AmbientSound = Defaults().EnemyAmbientSound;
    KeyLeft = 37;
    KeyRight = 39;
    KeyUp = 38;
    KeyDown = 40;
    KeyFire1 = 16;
    KeyFire2 = 17;
}

void TPlayerInfo::ReadFromStream(TStream& stream) {
    TEntityInfo::ReadFromStream(stream);
    ReadText(stream, SecondRangedWeapon);
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
    return "Class " + className + " is not an object type";
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

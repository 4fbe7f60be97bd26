#pragma once

#include "mapdata/Persistent.h"
#include "mapdata/SharedText.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tv {

class TStream;

// Object-type records: catalogue prototypes and placed map objects. A fresh record holds its
// class defaults (constructors apply them). Each class reads and writes its parent's fields
// first, then its own; Group is derived from the class and never stored. Texts are TText, so
// copies of a record share its long texts.
class TBaseInfo : public TPersistent {
public:
    TBaseInfo();
    const char* ClassName() const override { return "TBaseInfo"; }
    virtual void SetDefaults();
    virtual void ReadFromStream(TStream& stream);
    virtual void WriteToStream(TStream& stream) const;

    TText Group;
    TText Name;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Z = 0;
    uint32_t Color = 0;
    TText Texture;
    uint8_t Blend = 0;
    float Speed = 0.0f;
    int32_t FrameWidth = 0;
    int32_t FrameHeight = 0;

protected:
    // Subclass constructors construct their bases without defaults and apply their own
    // SetDefaults (which starts with the parent's) once.
    struct NoDefaults {};
    explicit TBaseInfo(NoDefaults) {}
};

class TBackGroundInfo : public TBaseInfo {
public:
    TBackGroundInfo();
    const char* ClassName() const override { return "TBackGroundInfo"; }
    void SetDefaults() override;
};

class TColObjInfo : public TBaseInfo {
public:
    TColObjInfo();
    const char* ClassName() const override { return "TColObjInfo"; }
    void SetDefaults() override;
    void ReadFromStream(TStream& stream) override;
    void WriteToStream(TStream& stream) const override;

    uint8_t ProjectilesPass = 0;
    uint8_t Animated = 0;

protected:
    explicit TColObjInfo(NoDefaults) : TBaseInfo(NoDefaults{}) {}
};

class TDecorInfo : public TColObjInfo {
public:
    TDecorInfo();
    const char* ClassName() const override { return "TDecorInfo"; }
    void SetDefaults() override;
};

class TEntityInfo : public TColObjInfo {
public:
    TEntityInfo();
    const char* ClassName() const override { return "TEntityInfo"; }
    void SetDefaults() override;
    void ReadFromStream(TStream& stream) override;
    void WriteToStream(TStream& stream) const override;

    TText RangedWeapon;
    TText MeleeWeapon;
    TText Armour;
    int32_t HitPoints = 0;
    int32_t ExperiencePoints = 0;
    TText FireSound;
    TText DieSound;
    TText HitSound;
    TText AmbientSound;

protected:
    explicit TEntityInfo(NoDefaults) : TColObjInfo(NoDefaults{}) {}
};

class TEnemyInfo : public TEntityInfo {
public:
    TEnemyInfo();
    const char* ClassName() const override { return "TEnemyInfo"; }
    void SetDefaults() override;

protected:
    explicit TEnemyInfo(NoDefaults) : TEntityInfo(NoDefaults{}) {}
};

class TBossInfo : public TEnemyInfo {
public:
    TBossInfo();
    const char* ClassName() const override { return "TBossInfo"; }
    void SetDefaults() override;
};

// The player's defaults: the one source of the values the player record (TPlayerInfo) and
// the world's player (TPlayer) both start from. The record alone has a size (128 x 64) and
// the Animated flag; the world's player takes the hit points as its maximum as well.
struct TPlayerDefaults {
    static constexpr const char* Name = "Player";
    static constexpr const char* Group = "Players";
    static constexpr float Speed = 4.0f;
    static constexpr int32_t HitPoints = 15;
    static constexpr int32_t ExperiencePoints = 0;
    static constexpr int32_t FrameWidth = 64;
    static constexpr int32_t FrameHeight = 32;
    static constexpr int32_t Z = 4;
    static constexpr const char* RangedWeapon = "Vrhac\xC3\xAD no\xC5\xBE"
                                                "e"; // "Vrhací nože"
    static constexpr const char* SecondRangedWeapon = "Fireball";
    static constexpr const char* MeleeWeapon = "D\xC3\xBDka";              // "Dýka"
    static constexpr const char* Armour = "Vycp\xC3\xA1van\xC3\xA1 zbroj"; // "Vycpávaná zbroj"
    static constexpr const char* FireSound = "ingame\\player_fire.wav";
    static constexpr const char* DieSound = "ingame\\player_die.wav";
    static constexpr const char* HitSound = "ingame\\player_hit.wav";
    static constexpr const char* AmbientSound = "ingame\\enemy_amb.wav"; // the enemies' ambience
    // Virtual-key codes: the arrow keys, Shift and Ctrl.
    static constexpr uint16_t KeyLeft = 37;
    static constexpr uint16_t KeyRight = 39;
    static constexpr uint16_t KeyUp = 38;
    static constexpr uint16_t KeyDown = 40;
    static constexpr uint16_t KeyFire1 = 16;
    static constexpr uint16_t KeyFire2 = 17;
};

class TPlayerInfo : public TEntityInfo {
public:
    TPlayerInfo();
    const char* ClassName() const override { return "TPlayerInfo"; }
    void SetDefaults() override;
    void ReadFromStream(TStream& stream) override;
    void WriteToStream(TStream& stream) const override;

    uint16_t KeyLeft = 0;
    uint16_t KeyRight = 0;
    uint16_t KeyUp = 0;
    uint16_t KeyDown = 0;
    uint16_t KeyFire1 = 0;
    uint16_t KeyFire2 = 0;
    TText SecondRangedWeapon;
};

// Group name of the record's exact class ("Enemies", "Decors", "BackGrounds", "Bosses",
// "Players", otherwise "Misc").
std::string GroupForClass(const TBaseInfo& record);

// A new record of a registered record class with its defaults. Raises "Class %s not found"
// for an unknown name, and "Class %s is not an object type" for a registered name that is not
// a record class (a world-object class); such a class is never instantiated here.
std::unique_ptr<TBaseInfo> CreateRecord(std::string_view className);
// Raises exactly what CreateRecord would for the name, without making anything.
void CheckRecordClass(std::string_view className);
std::string NotRecordClassMessage(const std::string& className);

// Deep copy: every stored field of the source (as its stream layout carries them) and the
// copy's own Group from GroupForClass; the caller owns it. Works for all seven record
// classes, registered or not.
std::unique_ptr<TBaseInfo> CloneInfo(const TBaseInfo& source);

// Registers TBaseInfo, TBackGroundInfo, TDecorInfo, TEnemyInfo, TBossInfo and TPlayerInfo.
// TClassRegistry::Instance() calls it on first use.
void RegisterRecordClasses(TClassRegistry& registry);

// An ordered list of records, owning (the catalogue's and a map's) or a non-owning view.
class TBaseInfoList {
public:
    explicit TBaseInfoList(bool ownsObjects = true) : ownsObjects_(ownsObjects) {}
    ~TBaseInfoList();
    TBaseInfoList(const TBaseInfoList&) = delete;
    TBaseInfoList& operator=(const TBaseInfoList&) = delete;

    bool OwnsObjects() const { return ownsObjects_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TBaseInfo* operator[](int index) const { return items_[static_cast<size_t>(index)]; }
    TBaseInfo* Get(int index) const { return items_[static_cast<size_t>(index)]; }

    // The list takes the record over when it owns its items (also when adding fails).
    TBaseInfo* Add(TBaseInfo* record);
    TBaseInfo* Add(std::unique_ptr<TBaseInfo> record) { return Add(record.release()); }
    TBaseInfo* Insert(int index, TBaseInfo* record);
    // Frees the record when the list owns it. Indexes out of range raise an EError.
    void Delete(int index);
    // Takes a record out without freeing it; the caller owns it afterwards. A non-owning view
    // only removes it and returns nullptr (the record belongs to another list). nullptr also
    // when the record is not in the list.
    std::unique_ptr<TBaseInfo> Extract(TBaseInfo* record);
    int IndexOf(const TBaseInfo* record) const;
    // Puts each record at its index of the resulting list, in one pass (indexes ascending and
    // below the resulting count). The list takes the records over as Insert does. Raises, and
    // changes nothing, for indexes that do not fit.
    void InsertAt(const std::vector<int>& indexes, const std::vector<TBaseInfo*>& records);
    // Takes out the records at these indexes (ascending), in one pass, without freeing them;
    // the caller owns them (an owning list only). Raises, and changes nothing, for indexes
    // that do not fit.
    std::vector<std::unique_ptr<TBaseInfo>> ExtractAt(const std::vector<int>& indexes);
    void Clear();
    // Moves the first count records of another list to the end of this one, in their order.
    // Both lists must own their records, or neither.
    void MoveFrontFrom(TBaseInfoList& other, int count);
    // Makes room for count items without adding any.
    void Reserve(int count) { items_.reserve(static_cast<size_t>(count > 0 ? count : 0)); }
    // Exchanges the items (ownership stays a property of each list).
    void Swap(TBaseInfoList& other) noexcept {
        items_.swap(other.items_);
        ++changes_;
        ++other.changes_;
    }
    // Grows with every change to the list (not to the records in it): whatever is worked out
    // from the list is stale once this differs from its value then.
    uint64_t Changes() const { return changes_; }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    bool ownsObjects_;
    std::vector<TBaseInfo*> items_;
    uint64_t changes_ = 0;
};

} // namespace tv

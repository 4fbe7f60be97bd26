#include "document/MapProblems.h"

#include "document/RecordJson.h"
#include "document/ReferenceForm.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Objects.h"
#include "mapdata/Paths.h"
#include "mapdata/Text.h"

#include <string_view>
#include <utility>

namespace tv {

namespace {

// "Objects[3] (\"Slime\")" for messages about placed objects.
std::string ObjectLabel(int index, const TBaseInfo& record) {
    return Format("Objects[%d] ", index) + "(" + JsonString(ShortenText(record.Name)) + ")";
}

// The data names of a record that name files under a data folder, with their fields.
std::vector<std::pair<const char*, std::string_view>> DataNames(const TBaseInfo& record) {
    std::vector<std::pair<const char*, std::string_view>> names = {{"texture", record.Texture}};
    if (const auto* entity = dynamic_cast<const TEntityInfo*>(&record)) {
        names.emplace_back("FireSound", entity->FireSound);
        names.emplace_back("DieSound", entity->DieSound);
        names.emplace_back("HitSound", entity->HitSound);
        names.emplace_back("AmbientSound", entity->AmbientSound);
    }
    return names;
}

} // namespace

std::vector<TMapProblem> FindMapProblems(const TMap& map, const TObjMgr* catalogue) {
    std::vector<TMapProblem> warnings;
    if (!IsBareFileName(map.FileName))
        warnings.push_back(
            {-1, "FileName " + JsonString(ShortenText(map.FileName)) +
                     " is not a bare file name (it is empty, or names a folder, a drive or "
                     "control characters)"});
    if (LeavesDataFolder(map.ThemeMusic))
        warnings.push_back({-1, "ThemeMusic " + JsonString(ShortenText(map.ThemeMusic)) +
                                    " leaves the game folder's Data\\Music\\"});
    const std::string graphic = BaseFolder() + "Data\\Graphic\\";
    for (int i = 0; i < map.Objects.Count(); ++i) {
        const TBaseInfo& record = *map.Objects[i];
        if (!record.Texture.empty() && !FileExists(graphic + record.Texture))
            warnings.push_back({i, ObjectLabel(i, record) + ": texture " +
                                       JsonString(ShortenText(record.Texture)) +
                                       " not found under " + NativePath(graphic)});
        for (const auto& [field, name] : DataNames(record))
            if (LeavesDataFolder(name))
                warnings.push_back({i, ObjectLabel(i, record) + ": " + field + " " +
                                           JsonString(ShortenText(name)) +
                                           " leaves the game folder"});
        if (record.Left < 0 || record.Left > map.MaxWorldX)
            warnings.push_back(
                {i, ObjectLabel(i, record) + Format(": Left %d is outside 0..%d (MaxWorldX)",
                                                    record.Left, map.MaxWorldX)});
        if (const TBaseInfo* prototype = catalogue ? catalogue->FindByName(record.Name) : nullptr) {
            std::string lost;
            for (const std::string& field : FieldsReplacedByPrototype(record, *prototype))
                lost += " " + field;
            if (!lost.empty())
                warnings.push_back({i, ObjectLabel(i, record) +
                                           ": stored by reference, the file does not keep its "
                                           "own" +
                                           lost});
        }
    }
    return warnings;
}

} // namespace tv

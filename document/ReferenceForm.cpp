#include "document/ReferenceForm.h"

#include "document/RecordJson.h"
#include "mapdata/Map.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <cstring>
#include <unordered_map>

namespace tv {

namespace {

bool KeptByTheFile(const char* field) {
    return std::strcmp(field, "Name") == 0 || std::strcmp(field, "Left") == 0 ||
           std::strcmp(field, "Top") == 0;
}

std::string Quoted(const TBaseInfo& record) {
    return "\"" + record.Name.str() + "\"";
}

// The stored bytes of a record after its Name, Left and Top, which every record writes first.
std::vector<uint8_t> ValuesAfterPosition(const TBaseInfo& record) {
    TMemoryStream name;
    WriteStreamString(name, record.Name);
    TMemoryStream all;
    record.WriteToStream(all);
    const size_t skip = name.Bytes().size() + 2 * sizeof(int32_t);
    return std::vector<uint8_t>(all.Bytes().begin() + static_cast<std::ptrdiff_t>(skip),
                                all.Bytes().end());
}

// Most reference objects hold their prototype's values; comparing their stored bytes finds
// those at once, before the fields of the others are compared one by one.
class TPrototypeBytes {
public:
    bool SameValues(const TBaseInfo& record, const TBaseInfo& prototype) {
        if (std::strcmp(record.ClassName(), prototype.ClassName()) != 0)
            return false;
        auto [known, added] = bytes_.try_emplace(&prototype);
        if (added)
            known->second = ValuesAfterPosition(prototype);
        return ValuesAfterPosition(record) == known->second;
    }

private:
    std::unordered_map<const TBaseInfo*, std::vector<uint8_t>> bytes_;
};

} // namespace

const TBaseInfo* ReferencePrototype(const TBaseInfo& record, const TObjMgr* catalogue) {
    return catalogue ? catalogue->FindByName(record.Name) : nullptr;
}

std::vector<std::string> FieldsReplacedByPrototype(const TBaseInfo& record,
                                                   const TBaseInfo& prototype) {
    std::vector<std::string> fields;
    for (const FieldInfo& field : RecordFields())
        if (!KeptByTheFile(field.Name) && !SameFieldValue(record, prototype, field))
            fields.push_back(field.Name);
    return fields;
}

bool IsCatalogueRow(std::string_view key) {
    return !TextEquals(key, kPropName) && !TextEquals(key, kPropLeft) && !TextEquals(key, kPropTop);
}

void MarkCatalogueRows(std::vector<TPropertyRow>& rows, const TBaseInfo& prototype) {
    const std::string note =
        "From the catalogue: the map file stores this object by reference to the catalogue type " +
        Quoted(prototype) +
        " (only Name, left and Top), so opening the map again gives this value from the "
        "catalogue. Rename the object to keep its own values.";
    for (TPropertyRow& row : rows)
        if (IsCatalogueRow(row.Key))
            row.Note = note;
}

std::vector<TReferenceLoss> ReferenceLosses(const TMap& map, const TObjMgr* catalogue) {
    std::vector<TReferenceLoss> losses;
    TPrototypeBytes prototypes;
    for (int i = 0; i < map.Objects.Count(); ++i) {
        const TBaseInfo& record = *map.Objects[i];
        const TBaseInfo* prototype = ReferencePrototype(record, catalogue);
        if (!prototype || prototypes.SameValues(record, *prototype))
            continue;
        TReferenceLoss loss{i, &record, {}};
        if (std::strcmp(record.ClassName(), prototype->ClassName()) != 0)
            loss.Fields.push_back("class");
        for (std::string& field : FieldsReplacedByPrototype(record, *prototype))
            loss.Fields.push_back(std::move(field));
        if (!loss.Fields.empty())
            losses.push_back(std::move(loss));
    }
    return losses;
}

std::string ReferenceLossNotice(const std::vector<TReferenceLoss>& losses) {
    if (losses.empty())
        return {};
    std::string text = "These objects are stored by reference to the catalogue type of their "
                       "name, so the map file does not keep the values listed; opening the map "
                       "again gives the catalogue's. Rename an object to keep its own values.";
    for (size_t i = 0; i < losses.size() && i < kMaxListedLosses; ++i) {
        const TReferenceLoss& loss = losses[i];
        text += Format("\n%s at %d, %d:", Quoted(*loss.Record).c_str(), loss.Record->Left,
                       loss.Record->Top);
        for (const std::string& field : loss.Fields)
            text += " " + field;
    }
    if (losses.size() > kMaxListedLosses)
        text += Format("\n... and %zu more", losses.size() - kMaxListedLosses);
    return text;
}

std::string ReferenceEditNotice(const TBaseInfo& record, std::string_view row) {
    return Quoted(record) +
           " is stored by reference to the catalogue type of that name: the map "
           "file keeps only its Name, left and Top, so its " +
           std::string(row) +
           " comes back from the catalogue when the map is opened again. Rename the object to "
           "keep its own values.";
}

} // namespace tv

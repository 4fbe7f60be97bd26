#pragma once

// A placed object whose Name is a catalogue type's is stored by reference: the map file keeps
// its class, Name, Left and Top, and loading takes every other value from the catalogue type.
// The editor lets the designer change those values all the same; what is here finds the
// values such a file cannot keep and words what the editor tells about them.

#include "document/Properties.h"

#include <string>
#include <string_view>
#include <vector>

namespace tv {

class TMap;
class TObjMgr;

// The catalogue type a record is stored by reference to, or null (stored in full).
const TBaseInfo* ReferencePrototype(const TBaseInfo& record, const TObjMgr* catalogue);

// The stored fields (record field names, in their order) whose values loading would replace
// with the prototype's. Name, Left and Top are kept by the file and not compared.
std::vector<std::string> FieldsReplacedByPrototype(const TBaseInfo& record,
                                                   const TBaseInfo& prototype);

// Rows of the object grid whose values a file keeps only for objects stored in full: all but
// "Name", "left" and "Top".
bool IsCatalogueRow(std::string_view key);

// Marks the catalogue rows of an object stored by reference as coming from the catalogue.
void MarkCatalogueRows(std::vector<TPropertyRow>& rows, const TBaseInfo& prototype);

// An object stored by reference whose own values differ from its prototype's.
struct TReferenceLoss {
    int Index = 0;
    const TBaseInfo* Record = nullptr;
    // "class" first when the classes differ, then the fields.
    std::vector<std::string> Fields;
};

// The objects of a map whose values a save will not write, in map order.
std::vector<TReferenceLoss> ReferenceLosses(const TMap& map, const TObjMgr* catalogue);

// One notice naming every such object and its values (at most kMaxListedLosses objects, then
// how many more); empty when there are none.
std::string ReferenceLossNotice(const std::vector<TReferenceLoss>& losses);
inline constexpr size_t kMaxListedLosses = 20;

// The notice of the first edit of such a value in a session.
std::string ReferenceEditNotice(const TBaseInfo& record, std::string_view row);

} // namespace tv

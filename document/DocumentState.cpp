#include "document/DocumentState.h"

#include "mapdata/Errors.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace tv {

namespace {

// Texture names listed in one error text.
constexpr size_t kListedTextures = 10;

} // namespace

TRecordState::TRecordState(const TBaseInfo& record) {
    TMemoryStream stream;
    record.WriteToStream(stream);
    bytes_ = stream.Bytes();
}

void TRecordState::ApplyTo(TBaseInfo& record) const {
    TByteViewStream stream(bytes_.data(), bytes_.size());
    record.ReadFromStream(stream);
}

TBaseInfo& TDocumentState::RecordAt(int index) const {
    if (index < 0 || index >= Map->Objects.Count())
        throw EError(Format("List index out of bounds (%d)", index));
    return *Map->Objects[index];
}

void TDocumentState::Select(TBaseInfo* record) {
    if (record)
        SelectAll({record});
    else
        SelectAll({});
}

void TDocumentState::SelectAll(const std::vector<TBaseInfo*>& records) {
    std::vector<TBaseInfo*> chosen;
    chosen.reserve(records.size());
    std::unordered_set<const TBaseInfo*> seen;
    for (TBaseInfo* record : records)
        if (record && seen.insert(record).second)
            chosen.push_back(record);
    if (chosen == Selection)
        return;
    Selection = std::move(chosen);
    Touch(DocChange::Selection);
}

void TDocumentState::Forget(const TBaseInfo* record) {
    const auto found = std::find(Selection.begin(), Selection.end(), record);
    if (found == Selection.end())
        return;
    Selection.erase(found);
    Touch(DocChange::Selection);
}

void TDocumentState::Forget(const std::vector<TBaseInfo*>& records) {
    if (Selection.empty() || records.empty())
        return;
    const std::unordered_set<const TBaseInfo*> leaving(records.begin(), records.end());
    const size_t erased = std::erase_if(
        Selection, [&](const TBaseInfo* record) { return leaving.count(record) != 0; });
    if (erased != 0)
        Touch(DocChange::Selection);
}

void TDocumentState::Fail(std::exception_ptr failure) {
    if (!Failure)
        Failure = std::move(failure);
}

void TDocumentState::CreateViews(const std::vector<TBaseInfo*>& records) {
    const std::vector<const TBaseInfo*> failed = Scene->CreateViews(records);
    if (!failed.empty())
        Fail(std::make_exception_ptr(EError(TextureFailureText(failed))));
}

void TDocumentState::RefreshView(TBaseInfo* record) {
    try {
        Scene->RefreshView(record);
    } catch (const EError&) {
        Fail(std::current_exception());
    }
}

void TDocumentState::RefreshViews(const std::vector<TBaseInfo*>& records) {
    if (records.size() == 1) {
        RefreshView(records.front());
        return;
    }
    const std::vector<const TBaseInfo*> failed = Scene->RefreshViews(records);
    if (!failed.empty())
        Fail(std::make_exception_ptr(EError(TextureFailureText(failed))));
}

void TDocumentState::MoveViews(const std::vector<TBaseInfo*>& records) {
    const std::vector<TBaseInfo*> missing = Scene->MoveViews(records);
    if (!missing.empty())
        RefreshViews(missing);
}

std::vector<int> TDocumentState::PlacesOf(const std::vector<TBaseInfo*>& records) const {
    std::unordered_map<const TBaseInfo*, int> wanted;
    wanted.reserve(records.size());
    for (const TBaseInfo* record : records)
        wanted.emplace(record, -1);
    const TBaseInfoList& objects = Map->Objects;
    for (int i = 0; i < objects.Count(); ++i)
        if (const auto found = wanted.find(objects[i]); found != wanted.end())
            found->second = i;
    std::vector<int> places;
    places.reserve(records.size());
    for (const TBaseInfo* record : records) {
        const int place = wanted.at(record);
        if (place < 0)
            throw EError("A selected object is not in the map");
        places.push_back(place);
    }
    return places;
}

std::string TextureFailureText(const std::vector<const TBaseInfo*>& records) {
    std::vector<std::string> names;
    for (const TBaseInfo* record : records)
        if (std::find(names.begin(), names.end(), record->Texture.str()) == names.end())
            names.push_back(record->Texture.str());
    std::string text = EngineErrorMessage(ERR_TEXTURE_LOAD);
    for (size_t i = 0; i < names.size() && i < kListedTextures; ++i)
        text += "\n" + names[i];
    if (names.size() == 1)
        return text + "\n1 texture could not be loaded";
    text += Format("\n%zu textures could not be loaded", names.size());
    if (names.size() > kListedTextures)
        text += Format("; the first %zu are listed", kListedTextures);
    return text;
}

} // namespace tv

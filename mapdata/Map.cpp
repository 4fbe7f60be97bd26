#include "mapdata/Map.h"

#include "mapdata/Errors.h"
#include "mapdata/FileWrite.h"
#include "mapdata/MapEntries.h"
#include "mapdata/Notices.h"
#include "mapdata/ObjMgr.h"
#include "mapdata/Paths.h"
#include "mapdata/Stream.h"
#include "mapdata/Text.h"

#include <QString>
#include <algorithm>

namespace tv {

const std::array<uint8_t, 40>& MapFileHeader() {
    static const std::array<uint8_t, 40> header = [] {
        std::array<uint8_t, 40> h{};
        const char* const magic = "TVMP";
        const char* const title = "TORVANIKIAN MAP FILE";
        const uint8_t mark[4] = {0x40, 0x05, 0x05, 0x40};
        for (int i = 0; i < 4; ++i) {
            h[static_cast<size_t>(i)] = static_cast<uint8_t>(magic[i]);
            h[static_cast<size_t>(4 + i)] = mark[i];
            h[static_cast<size_t>(36 + i)] = mark[i];
        }
        for (int i = 0; i < 20; ++i)
            h[static_cast<size_t>(8 + i)] = static_cast<uint8_t>(title[i]);
        h[30] = 0x4B; // bytes 28..31 are 00 00 4B 00; 32..35 stay zero
        return h;
    }();
    return header;
}

TMap::TMap() = default;

TMap::~TMap() {
    Objects.Clear();
    LiveObjects.clear();
}

void TMap::Swap(TMap& other) noexcept {
    MapName.swap(other.MapName);
    FileName.swap(other.FileName);
    std::swap(MaxWorldX, other.MaxWorldX);
    std::swap(MaxWorldY, other.MaxWorldY);
    std::swap(Ground, other.Ground);
    std::swap(Sky, other.Sky);
    ThemeMusic.swap(other.ThemeMusic);
    LiveObjects.swap(other.LiveObjects);
    Objects.Swap(other.Objects);
}

int TMap::LowerBoundOfZ(int32_t z) const {
    int low = 0;
    int high = Objects.Count() - 1;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        if (Objects[mid]->Z < z)
            low = mid + 1;
        else
            high = mid - 1;
    }
    return low;
}

TBaseInfo* TMap::AddObjectSorted(std::unique_ptr<TBaseInfo> record) {
    // The new record goes before every record of the same Z.
    const int place = LowerBoundOfZ(record->Z);
    return Objects.Insert(place, record.release());
}

TMap::TPlaces TMap::AddObjectsSorted(std::vector<std::unique_ptr<TBaseInfo>> records) {
    TPlaces places;
    places.Records.reserve(records.size());
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        places.Records.push_back(it->get());
    // Later records first among equal Z, as each insertion goes before the equal ones.
    std::stable_sort(places.Records.begin(), places.Records.end(),
                     [](const TBaseInfo* a, const TBaseInfo* b) { return a->Z < b->Z; });
    // The bisection moves right for a higher Z wherever it does for a lower one, so the places
    // in the old list grow with Z (also in a list that is not sorted) and, counting the records
    // put in before each, are strictly ascending.
    places.Indexes.reserve(records.size());
    for (size_t i = 0; i < places.Records.size(); ++i)
        places.Indexes.push_back(LowerBoundOfZ(places.Records[i]->Z) + static_cast<int>(i));
    Objects.InsertAt(places.Indexes, places.Records);
    for (auto& record : records)
        (void)record.release(); // the map owns them now
    return places;
}

void TMap::WriteToStream(TStream& stream, const TObjMgr* catalogue) const {
    const std::array<uint8_t, 40>& header = MapFileHeader();
    try {
        stream.WriteBuffer(header.data(), header.size());
        WriteStreamString(stream, MapName, "MapName");
        stream.WriteUInt8(0);
        WriteStreamString(stream, FileName, "FileName");
        stream.WriteUInt8(0);
        stream.WriteInt32(MaxWorldX);
        stream.WriteInt32(MaxWorldY);
        stream.WriteInt32(Ground);
        stream.WriteInt32(Sky);
        WriteStreamString(stream, ThemeMusic, "ThemeMusic");
    } catch (const ETextTooLong& e) {
        throw e.WithObject("the map");
    }
    WriteStreamString(stream, kMapObjectsMarker);
    stream.WriteInt32(Objects.Count());
    for (int i = 0; i < Objects.Count(); ++i) {
        const TBaseInfo* record = Objects[i];
        try {
            WriteStreamString(stream, record->ClassName());
            if (catalogue && catalogue->FindByName(record->Name)) {
                // Reference form: the reader takes everything else from the prototype.
                WriteStreamString(stream, record->Name, "Name");
                stream.WriteInt32(record->Left);
                stream.WriteInt32(record->Top);
            } else {
                record->WriteToStream(stream);
            }
        } catch (const ETextTooLong& e) {
            throw e.WithObject(EntryLabel("entry", i, record->Name));
        }
    }
}

bool TMap::ReadFromStream(TStream& stream, const TObjMgr* catalogue,
                          const TMapReadOptions& options) {
    uint8_t header[40];
    stream.ReadBuffer(header, sizeof header);
    const std::string magic(reinterpret_cast<const char*>(header), 4);
    if (!TextEquals(Windows1250ToUtf8(magic), kMapMagic)) {
        ShowMessageBox(kNotValidMapMessage);
        return false;
    }

    // Everything is read into a fresh map first, so that a failure leaves this one untouched.
    TMap loaded;
    loaded.MapName = ReadStreamString(stream);
    stream.Skip(1);
    loaded.FileName = ReadStreamString(stream);
    stream.Skip(1);
    loaded.MaxWorldX = stream.ReadInt32();
    loaded.MaxWorldY = stream.ReadInt32();
    loaded.Ground = stream.ReadInt32();
    loaded.Sky = stream.ReadInt32();
    loaded.ThemeMusic = ReadStreamString(stream);
    ReadStreamString(stream); // the "Map Objects:" marker; its content does not matter

    const int32_t count = stream.ReadInt32();
    try {
        ReadMapEntries(stream, count, catalogue, loaded.Objects, options);
    } catch (const ECancelled&) {
        throw;
    } catch (const EError& e) {
        // The entries before the failing one were kept, so their count is its index.
        throw EEntryError(e.what(), loaded.Objects.Count());
    }

    Swap(loaded);
    return true;
}

void TMap::SaveToFile(const std::string& path, const TObjMgr* catalogue) {
    // FileName takes the new name only when the file was written.
    std::string previousName = ExtractFileName(path);
    FileName.swap(previousName);
    try {
        TReplacingFileStream file(NativePath(path));
        WriteToStream(file, catalogue);
        file.Commit();
    } catch (...) {
        FileName.swap(previousName);
        throw;
    }
}

bool TMap::LoadFromFile(const std::string& path, const TObjMgr* catalogue,
                        const TMapReadOptions& options) {
    const std::string native = NativePath(path);
    TFileReadStream stream(native, native);
    return ReadingFile(native, [&] { return ReadFromStream(stream, catalogue, options); });
}

} // namespace tv

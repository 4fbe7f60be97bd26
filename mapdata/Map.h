#pragma once

#include "mapdata/FileWrite.h"
#include "mapdata/MapEntries.h"
#include "mapdata/Objects.h"
#include "mapdata/Persistent.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tv {

class TObjMgr;
class TStream;

// The 40-byte header a map file starts with ("TVMP" ... "TORVANIKIAN MAP FILE" ...). Readers
// look only at the 4-byte magic.
const std::array<uint8_t, 40>& MapFileHeader();
inline constexpr const char* kMapMagic = "TVMP";
inline constexpr const char* kMapObjectsMarker = "Map Objects:";
inline constexpr const char* kNotValidMapMessage = "Not valid TV Map file!";

// The level being edited: the map variables and the placed object records in layer order.
// Records whose Name the catalogue knows are stored by reference (class, name, position).
class TMap {
public:
    static constexpr const char* kUntitled = "untitled.tvm";

    TMap();
    ~TMap();
    TMap(const TMap&) = delete;
    TMap& operator=(const TMap&) = delete;

    // Inserts by Z (before records of equal Z); the map owns the record afterwards.
    TBaseInfo* AddObjectSorted(std::unique_ptr<TBaseInfo> record);
    // The places records took in Objects (ascending) and the records in that order.
    struct TPlaces {
        std::vector<int> Indexes;
        std::vector<TBaseInfo*> Records;
    };
    // Inserts records in one pass where one AddObjectSorted after another would put them in a
    // list sorted by Z (among equal Z the later ones first, before those already there).
    TPlaces AddObjectsSorted(std::vector<std::unique_ptr<TBaseInfo>> records);

    // The file body on any stream. The catalogue decides reference or full form; it may be
    // null (every record is then stored in full and read in full).
    void WriteToStream(TStream& stream, const TObjMgr* catalogue) const;
    // Returns false when the magic is wrong ("Not valid TV Map file!" is shown and the map is
    // unchanged). Any other failure raises (an EEntryError when it is in an object entry), and
    // the map keeps everything it held before: the file is read into a fresh map that is taken
    // over only when the whole file was read.
    bool ReadFromStream(TStream& stream, const TObjMgr* catalogue,
                        const TMapReadOptions& options = {});

    // Sets FileName from the path (the part after the last "\\", "/" or ":"), writes through a
    // temporary file in the target's folder and replaces the target only when everything was
    // written. A failure ("Cannot create file %s", "Stream write error") leaves the previous
    // file as it was, no temporary file behind, and FileName as it was before the call.
    void SaveToFile(const std::string& path, const TObjMgr* catalogue);
    // ReadFromStream on the file, read through a buffer (TFileReadStream); "Cannot open file
    // %s" when it cannot be opened or is not a regular file. A reading error names the file
    // (and the entry) on a second line (ReadingFile). The path may be data-style (backslashes)
    // or native.
    bool LoadFromFile(const std::string& path, const TObjMgr* catalogue,
                      const TMapReadOptions& options = {});

    // Exchanges the whole content (variables and both lists) with another map.
    void Swap(TMap& other) noexcept;

    std::string MapName = "Meanwhile Unknown Map";
    std::string FileName = kUntitled;
    int32_t MaxWorldX = 5000;
    int32_t MaxWorldY = 600;
    int32_t Ground = 20;
    int32_t Sky = 20;
    std::string ThemeMusic;
    // Live world objects owned by the map; nothing in the editor fills it; not stored.
    std::vector<std::unique_ptr<TPersistent>> LiveObjects;
    TBaseInfoList Objects{true};

private:
    // The first place whose record's Z is not lower than z, by bisection.
    int LowerBoundOfZ(int32_t z) const;
};

} // namespace tv

#pragma once

#include "mapdata/Objects.h"
#include "mapdata/Persistent.h"

#include <memory>
#include <string>
#include <vector>

namespace tv {

class TObjMgr;
class TStream;

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

    // The file body on any stream. The catalogue decides reference or full form; it may be
    // null (every record is then stored in full and read in full).
    void WriteToStream(TStream& stream, const TObjMgr* catalogue) const;
    // Returns false when the magic is wrong ("Not valid TV Map file!" is shown and the map is
    // unchanged). Any other failure raises, and the map keeps everything it held before: the
    // file is read into a fresh map that is taken over only when the whole file was read.
    bool ReadFromStream(TStream& stream, const TObjMgr* catalogue);

    // Sets FileName from the path, writes through a temporary file in the target's folder and
    // replaces the target only when everything was written.
    void SaveToFile(const std::string& path, const TObjMgr* catalogue);
    bool LoadFromFile(const std::string& path, const TObjMgr* catalogue);

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
};

} // namespace tv

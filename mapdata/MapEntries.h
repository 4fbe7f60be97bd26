#pragma once

#include <cstdint>
#include <vector>

namespace tv {

class IProgress;
class TBaseInfoList;
class TObjMgr;
class TStream;

// How a map file's object entries are read. A large file is cut into runs of entries that
// are read on threads of their own; the result is always the one reading front to back gives.
struct TMapReadOptions {
    // Threads at most, this one included; 0 takes one per processor, at most 8.
    int Threads = 0;
    // A file is cut only into runs of at least this many bytes.
    uint64_t MinRunBytes = 512 * 1024;
    // When set, receives the positions the runs were planned to start at, the first run's
    // included. A later start is a guess that counts only if the run before ends there.
    std::vector<uint64_t>* RunStarts = nullptr;
    // When set, told how far the entries read on the calling thread got (in bytes of its
    // run), every few thousand entries; stopping it raises ECancelled.
    IProgress* Progress = nullptr;
};

// Reads count entries from the stream's position and adds their records to objects in file
// order; the position ends right after the last entry. Each entry is a class name, then the
// reference form (a catalogue name and the position: a copy of the prototype) or the record
// in full (read over a copy of the class defaults). Raises the first error in file order, as
// reading front to back would ("Stream read error", "Invalid property value", "Class %s not
// found", "Class %s is not an object type"); objects may then hold part of the records.
void ReadMapEntries(TStream& stream, int32_t count, const TObjMgr* catalogue,
                    TBaseInfoList& objects, const TMapReadOptions& options = {});

} // namespace tv

#pragma once

// What a map holds that does not stop it from loading but is likely a mistake: the warnings
// of "tvmtool map check" and the problems the editor's Playtests panel lists.

#include <string>
#include <vector>

namespace tv {

class TMap;
class TObjMgr;

struct TMapProblem {
    int Object = -1; // the object's index in the map, -1 for the map itself
    std::string Text;
};

// A FileName that is not a bare file name, a ThemeMusic that leaves its folder, and per
// object: a texture missing under BaseFolder() + "Data\Graphic\", texture and sound names that
// leave their data folder, a Left outside 0..MaxWorldX; with a catalogue also the values of an
// object stored by reference that the file will not keep (the prototype's replace them).
std::vector<TMapProblem> FindMapProblems(const TMap& map, const TObjMgr* catalogue = nullptr);

} // namespace tv

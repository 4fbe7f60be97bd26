#pragma once

// The game world that runs world objects: its objects in layer order, the view the objects
// measure themselves against, the scroll lock, the player's death flag and the message lines.
//
// One update pass (RunPass), which makes the world current when no world is:
//   1. Control of every object in list order (only the player has one);
//   2. Update of every object that was in the list when the pass began, in list order
//      (objects added during the pass, such as new shots, wait for the next pass);
//      an object that is Dead when its turn comes is skipped in both;
//   3. objects marked Dead are taken out and freed.
// Step is a pass followed, when the world has a device, by one frame (DrawFrame): clear,
// every object's Draw in list order (lower layers first), present.
// The world does not pause itself when the player dies: PlayerDied stays on until the host
// clears it.
//
// Collision walks find the objects they meet through a collision index (CollisionIndex.h)
// that is kept current during a pass; the plain walk over the whole list stays as the
// reference it is compared with.

#include "world/BaseObj.h"
#include "world/CollisionIndex.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tv {

class TMap;
class TPlayer;

// How collision walks find the objects they meet: through the index, or by walking the whole
// list (the reference that tests and benchmarks compare the index with).
enum class TCollisionWalk { Indexed, Plain };

struct TWorldMessage {
    uint64_t Step = 0; // StepCount when the message was posted
    std::string Text;
};

class TGameWorld {
public:
    TGameWorld();
    // Frees every object; CurrentWorld forgets this world.
    ~TGameWorld();
    TGameWorld(const TGameWorld&) = delete;
    TGameWorld& operator=(const TGameWorld&) = delete;

    // Inserts by Z (binary search; before the objects of the same Z that are there), sets the
    // object's World and takes it over. nullptr is ignored.
    TBaseObj* AddObject(TBaseObj* object);
    TBaseObj* AddObject(std::unique_ptr<TBaseObj> object) { return AddObject(object.release()); }
    void LockScroll() { ScrollLocked = true; }
    void UnlockScroll() { ScrollLocked = false; }
    void MarkPlayerDied() { PlayerDied = true; }
    // PreviousMessage := Message; Message := text; the text is logged and handed to OnMessage.
    void PushMessage(const std::string& text);

    // Makes this the world the objects consult.
    void MakeCurrent() { CurrentWorld = this; }
    // One update pass (see above), drawing nothing.
    void RunPass();
    // RunPass, then DrawFrame when the world has a Device.
    void Step();
    // One frame on Device: the world's render states, clear, every object's Draw, then
    // drawOver (a host's overlay), present.
    void DrawFrame(const std::function<void()>& drawOver = {});
    // Draws every object in list order into the current scene (no clear, no present).
    void DrawObjects();
    // Takes out and frees every object marked Dead; references to a freed player (as killer
    // or shot owner) are cleared.
    void RemoveDead();

    // The first player in the list, or nullptr.
    TPlayer* Player() const;
    // The map's Sky and Ground become the top and bottom margins.
    void ApplyMapVars(const TMap& map);

    // The objects a collision walk of the given kinds over rect (the walker's rectangle)
    // must meet, in list order (see CollisionIndex.h); the whole list for the plain walk.
    std::vector<TBaseObj*> CollisionCandidates(TCollisionKinds kinds, const TRect& rect);
    // An object of this world changed its position.
    void ObjectMoved(TBaseObj& object) {
        if (collisions_.Active())
            collisions_.Moved(object);
    }

    int32_t ViewWidth = 800;
    int32_t ViewHeight = 600;
    TBaseObjList Objects{true};
    bool PlayerDied = false;
    bool ScrollLocked = false;
    int32_t BottomMargin = 20;
    int32_t TopMargin = 20;
    std::string Message;
    std::string PreviousMessage;

    // Every message posted, in order (the host may clear it).
    std::vector<TWorldMessage> MessageLog;
    // Called for every posted message (hosts print or show it).
    std::function<void(const TWorldMessage&)> OnMessage;
    // Update passes made so far.
    uint64_t StepCount = 0;
    // When set, Step draws a frame on it.
    PD3DDevice Device;
    TCollisionWalk CollisionWalk = TCollisionWalk::Indexed;

private:
    void SetupRenderState();

    TCollisionIndex collisions_;
};

// A world object of the class that plays the record's class, placed at the record's Left and
// Top with its size, texture and values (ApplyInfo). Raises for a record class without a world
// class, a texture that cannot be loaded and a player record without hit points.
std::unique_ptr<TBaseObj> CreateObjectFromRecord(const TBaseInfo& record, PD3DDevice device);

// Every record of the map as a world object, added to the world in map order; the map's Sky
// and Ground become the margins. A record that cannot be made raises, naming the record; the
// objects made before it stay in the world.
void BuildWorldFromMap(TGameWorld& world, const TMap& map, PD3DDevice device);

} // namespace tv

#pragma once

// The map being edited and everything that follows it: its view objects, the selection, the
// copies kept for Undelete and the undo stack. Every change of the map goes through here as one
// command on the undo stack; afterwards the listeners are told what changed (DocChange bits)
// and then, if making a view object failed on the way, that failure is raised. No widgets:
// the editor's window wires its controls to these calls and refreshes its pages from the
// notifications.

#include "document/DocumentState.h"
#include "document/Picking.h"
#include "document/Placement.h"
#include "document/Properties.h"
#include "document/RecordIndex.h"

#include <QUndoStack>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QMimeData;

namespace tv {

class TDocumentCommand;
class TObjMgr;

class TMapDocument {
public:
    using TListener = std::function<void(unsigned changes)>;

    // The catalogue (may be null or empty) decides which records are stored by reference;
    // the scene makes and keeps the view objects. There is no map until NewMap.
    TMapDocument(const TObjMgr* catalogue, std::unique_ptr<TMapScene> scene);
    ~TMapDocument();
    TMapDocument(const TMapDocument&) = delete;
    TMapDocument& operator=(const TMapDocument&) = delete;

    TMap& Map() const { return *state_.Map; }
    TMapScene& Scene() const { return *state_.Scene; }
    const TObjMgr* Catalogue() const { return catalogue_; }
    QUndoStack& UndoStack() { return undoStack_; }
    // The primary selected record (the first chosen), or none.
    TBaseInfo* Selected() const { return state_.Selected(); }
    // Every selected record, the primary first.
    const std::vector<TBaseInfo*>& Selection() const { return state_.Selection; }
    bool IsSelected(const TBaseInfo* record) const;
    // The copies the last Delete or Cut kept for Undelete, in the order they were selected.
    const std::vector<std::unique_ptr<TBaseInfo>>& DeletedGroup() const { return state_.Deleted; }
    // The first of them (the one a single Delete took), or none.
    const TBaseInfo* Deleted() const {
        return state_.Deleted.empty() ? nullptr : state_.Deleted.front().get();
    }
    bool Dragging() const { return dragging_; }

    // Frees the view objects and the selection frame before the graphics device goes; the
    // document takes no edits afterwards.
    void ReleaseScene() { state_.Scene.reset(); }

    // Listeners are told after every change, in the order they were added.
    void AddListener(TListener listener);
    void ClearListeners();

    // --- the map as a whole (not undoable; the undo stack starts anew) ---
    // A new map with the defaults (DocChange::Map).
    void NewMap();
    // Reloads the map in place from a file and makes its view objects (pictures changed on
    // disk since they were loaded are loaded again first). False when the file
    // is not a map (the map stays as it was); a failure raises and changes nothing, and so
    // does stopping it through progress (ECancelled). Either way the listeners are told
    // DocChange::Map unless it raised.
    bool LoadMap(const std::string& path, IProgress* progress = nullptr);
    // Writes the map to a native path (FileName becomes its file name); the map is unmodified
    // afterwards. A failure raises and leaves the file and FileName as they were. Objects whose
    // values the file does not keep (stored by reference) are then named in one notice.
    void SaveMap(const std::string& path);
    // Replaces the map with a recovery copy (read without the catalogue: the copy holds every
    // object in full) that came from a source file; the map is modified afterwards, so the
    // designer saves it. False when the copy is not a map; a failure raises and changes
    // nothing.
    bool RestoreRecovery(const std::string& copyPath, const std::string& sourcePath);
    // Whether the map differs from what was last opened, saved or made new.
    bool Modified() const { return !undoStack_.isClean(); }
    // The file the map was opened from or last saved to (absolute, native); empty for a new
    // map.
    const std::string& SourcePath() const { return sourcePath_; }
    // Whether saving to a native path would replace a file other than SourcePath.
    bool WouldReplaceAnotherFile(const std::string& path) const;
    // Marks every view object dead and makes new ones for the records. Records whose texture
    // cannot be loaded get none; then one failure names their textures. Right after LoadMap
    // the view objects it made are current: nothing is made again, and the failure of their
    // textures is raised here.
    void RebuildViews();

    // --- the selection: not an edit, but every change tells DocChange::Selection ---
    // Exactly this record is selected (none: nothing is).
    void Select(TBaseInfo* record);
    // Exactly these records, the first one primary; repeated ones count once.
    void SelectAll(const std::vector<TBaseInfo*>& records);
    // Adds records after those selected.
    void AddToSelection(const std::vector<TBaseInfo*>& records);
    // Adds a record, or takes it out when it is selected (the next one becomes primary).
    void ToggleSelected(TBaseInfo* record);
    void ClearSelection();

    // --- finding records, and the groups locked or hidden in this session ---
    // The record the view picks at a world point (see ObjectAt in Picking.h).
    TBaseInfo* ObjectAt(int64_t x, int64_t y, const TBaseInfo* below = nullptr) const;
    // The records of a group (all groups: empty) overlapping a rectangle of the world, as
    // ObjectsIn in Picking.h finds them. Both look only at the records near the place, through
    // an index of the map made again after a change of the map; code that changes records
    // other than through the document calls RebuildViews (or RecordsMoved) before asking.
    std::vector<TBaseInfo*> ObjectsIn(const TRect& rect, std::string_view group) const;
    // Those of them the view may pick (a rubber band, Select All): none of a locked or hidden
    // group.
    std::vector<TBaseInfo*> PickableIn(const TRect& rect, std::string_view group) const;
    void RecordsMoved() { records_.Invalidate(); }
    const TGroupStates& Groups() const { return groups_; }
    // Locking or hiding a group takes its records out of the selection; tells
    // DocChange::Groups. New and Open unlock and show every group.
    void SetGroupLocked(std::string_view group, bool locked);
    void SetGroupHidden(std::string_view group, bool hidden);

    // --- edits, each one undo step; each tells the listeners ---
    // One copy of a type with its top-left corner at a world point (the selection stays).
    TBaseInfo* PlaceObject(const TBaseInfo& type, int32_t left, int32_t top);
    // "Add": copies placed at random or fixed places; returns how many copies found no place.
    // A count of 0 or less adds nothing; one above kMaxAddCount raises and adds nothing.
    int AddCopies(const TBaseInfo& type, int32_t count, const TPlacement& placement);
    // The rows of the object grid for the selection: a single record's rows (catalogue rows of
    // a record stored by reference marked); for several, the rows they all have, a value or
    // note empty where theirs differ. None without a selection.
    std::vector<TPropertyRow> SelectionRows() const;
    // A typed value for a row of the properties of every selected record, one undo step. It is
    // tried on copies of all of them first: a value that cannot be read raises and changes
    // none; a text no map file can keep (over kMaxTextBytes) is refused with a notice and no
    // undo step. A value that changes nothing still remakes the view objects and tells
    // DocChange::Object, as an edit would.
    void SetObjectProperty(const std::string& key, const std::string& value);
    void SetObjectTexture(const std::string& texture);
    void SetObjectColor(uint32_t color);
    // The colour without its alpha: each selected record keeps its own alpha.
    void SetObjectRgb(uint32_t rgb);
    // The left click on the Modify page: moves the primary record's corner there and starts a
    // drag; DragTo moves it on; every other selected record moves by the same amount (saturated
    // at the ends of the coordinates); EndDrag makes the whole drag one undo step. Records of a
    // locked group stay where they are (the primary too; the others still follow the point).
    // Any other edit, undo and redo end a drag first.
    void BeginDrag(int32_t left, int32_t top);
    void DragTo(int32_t left, int32_t top);
    void EndDrag();
    // Moves every selected record (but those of locked groups) by a few world units, each kept
    // within the world; repeated nudges of the same records are one undo step.
    void NudgeSelected(int32_t dx, int32_t dy);
    // A typed value for a row of the map variables. Tells DocChange::MapVars even when nothing
    // changed, so a grid shows the stored values again; a text no map file can keep is refused
    // with a notice.
    void SetMapVar(const std::string& key, const std::string& value);
    void SetThemeMusic(const std::string& music);
    // Takes every selected record out of the map in one undo step; copies of them are kept for
    // Undelete (the previous ones go).
    void DeleteSelected();
    // Puts copies of the records the last Delete or Cut took back in, by Z as Paste does; the
    // selection stays.
    void Undelete();
    // Delete under the text "Cut" (the caller has put the records on the clipboard, e.g. with
    // SelectionMimeData).
    void CutSelected();
    // The selection in the clipboard's form (ObjectsMimeData), the primary first; null when
    // nothing is selected.
    std::unique_ptr<QMimeData> SelectionMimeData() const;
    // Puts copies of records into the map by Z in one pass, the first one's top-left corner at
    // a world point and the others as they lay to it (far moves stop at the ends of the
    // coordinates), and selects them all (the first one primary). More than kMaxAddCount
    // records, or a record with a text no map file can keep, are refused with a notice and
    // nothing changes.
    void Paste(std::vector<std::unique_ptr<TBaseInfo>> records, int32_t left, int32_t top);
    // Copies of every selected record, kDuplicateOffset further right and down (stopping at
    // the ends of the coordinates), put in by Z as Paste does and selected in the selection's
    // order; one undo step. Refused as Paste refuses.
    void DuplicateSelected();
    static constexpr int32_t kDuplicateOffset = 16;
    void Undo();
    void Redo();

    // --- space (SpaceCommands.cpp) ---
    // Moves every record whose Left is at or right of x by amount and grows Max World X by it.
    // An amount of 0 or less changes nothing.
    void InsertSpace(int32_t x, int32_t amount);
    // The opposite: the stretch [x, x + amount) goes, the records right of it move left and
    // Max World X shrinks (not below 0). Refused while records have their Left in the stretch:
    // returns how many (0 when the space went).
    int RemoveSpace(int32_t x, int32_t amount);
    int ObjectsInStretch(int32_t x, int32_t amount) const;

private:
    void Push(std::unique_ptr<TDocumentCommand> command);
    // Tells the listeners what changed, then raises a failure kept on the way.
    void Notify();
    // Applies a change to every selected record; the undo text names the record (a single one)
    // or counts them. True when the change made an undo step.
    bool ChangeSelected(const std::string& verb, const std::function<void(TBaseInfo&)>& change,
                        int mergeId = -1);
    // The first edit in a session of a value that the file takes from the catalogue for a
    // selected record says so.
    void TellOfReferenceEdit(std::string_view row);
    // Ends a drag as EndDrag does, before another edit.
    void FinishDrag();
    // The selected records that may be moved (not of a locked group).
    std::vector<TBaseInfo*> MovableSelection() const;
    void DeleteSelection(const char* verb);
    void ChangeMapVars(const std::string& text, const TMapVars& after);
    // A new map or a reloaded one: nothing of the old one may stay referred to.
    void ForgetMap();
    // Takes the records the view may no longer pick out of the selection.
    void DropUnpickableFromSelection();

    const TObjMgr* catalogue_;
    TDocumentState state_;
    QUndoStack undoStack_;
    std::vector<TListener> listeners_;
    bool dragging_ = false;
    // LoadMap made the view objects of the map; the failures of their textures.
    bool loadedViews_ = false;
    std::vector<const TBaseInfo*> loadedFailures_;
    std::string sourcePath_;
    bool referenceEditTold_ = false;
    TGroupStates groups_;
    // What a drag moves: the records (by place) with their fields and corners before it, and
    // the primary record's corner before it, from which the amount is taken.
    struct TDragged {
        TBaseInfo* Record = nullptr;
        int Index = 0;
        int32_t Left = 0;
        int32_t Top = 0;
        TRecordState Before;
    };
    std::vector<TDragged> dragged_;
    int32_t dragLeft_ = 0;
    int32_t dragTop_ = 0;
    mutable TRecordIndex records_;
};

} // namespace tv

#pragma once

#include <QEvent>
#include <QListWidget>

namespace tv {

// Tells a list box row that the designer moved to with the keyboard from one the program set
// (a refill) or the mouse chose (that one comes as a click). The list's key presses are
// handled inside the watcher, which is marked active meanwhile.
class TListKeys : public QObject {
public:
    explicit TListKeys(QListWidget* list) : QObject(list) { list->installEventFilter(this); }

    bool Active() const { return active_; }

    // Whether the list's current row is being changed by a key press.
    static bool ChangedByKey(const QListWidget* list) {
        for (const QObject* child : list->children())
            if (const auto* keys = dynamic_cast<const TListKeys*>(child))
                return keys->Active();
        return false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || active_)
            return false;
        active_ = true;
        // An event the list does not accept still goes on to its parents.
        watched->event(event);
        active_ = false;
        return true;
    }

private:
    bool active_ = false;
};

} // namespace tv

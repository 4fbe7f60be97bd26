#pragma once

// The lock and eye toggles of the Modify page: one row for each object group, with an eye
// (pressed: the group is shown) and a lock (pressed: the group cannot be picked or dragged),
// and the group's name, struck out while hidden and red while locked.

#include <QWidget>
#include <array>
#include <functional>
#include <string>

class QLabel;
class QToolButton;

namespace tv {

class TGroupStates;

class TGroupToggles : public QWidget {
public:
    static constexpr std::array<const char*, 6> kGroups = {"BackGrounds", "Decors",  "Enemies",
                                                           "Bosses",      "Players", "Misc"};
    static constexpr int kRowHeight = 12;
    static constexpr size_t kRows = 3;
    // The first column holds the longest name.
    static constexpr int kFirstColumnWidth = 90;
    static constexpr int kSecondColumnWidth = 69;

    explicit TGroupToggles(QWidget* parent);

    // A toggle was pressed: the group and its new state.
    std::function<void(const std::string& group, bool hidden)> OnHidden;
    std::function<void(const std::string& group, bool locked)> OnLocked;

    // Shows the states the document holds (without telling the callbacks).
    void Show(const TGroupStates& states);
    QToolButton* Eye(int group) const { return eyes_[static_cast<size_t>(group)]; }
    QToolButton* Lock(int group) const { return locks_[static_cast<size_t>(group)]; }

private:
    void ShowRow(int group);

    std::array<QToolButton*, kGroups.size()> eyes_{};
    std::array<QToolButton*, kGroups.size()> locks_{};
    std::array<QLabel*, kGroups.size()> names_{};
};

} // namespace tv

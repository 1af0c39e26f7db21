#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

class QAction;

namespace vantrel {

// A menu item and the enabled state it gets.
using ItemState = std::pair<QAction*, bool>;

// One run of a command: it disables the command's menu items one after another, holds the busy flag,
// and when it ends, however it ends, sets the items it was told to, one after another.
class CommandScope {
public:
    CommandScope(bool& busy, std::initializer_list<QAction*> disabled, std::initializer_list<ItemState> atEnd);
    ~CommandScope();
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

    void setAtEnd(std::initializer_list<ItemState> atEnd) { m_atEnd.assign(atEnd); }

private:
    bool& m_busy;
    std::vector<ItemState> m_atEnd;
};

} // namespace vantrel

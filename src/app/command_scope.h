#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

class QAction;

namespace vantrel {

// One run of a command and its busy rule: it disables the command's menu items one after another
// and holds the busy flag; when it ends, however it ends, it enables the same items again in the
// same order, but for those told otherwise.
class CommandScope {
public:
    CommandScope(bool& busy, std::initializer_list<QAction*> items);
    ~CommandScope();
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

    // At the end `item` is set to `enabled`: in its place when it is one of the command's items,
    // before them when it is not.
    void setAtEnd(QAction* item, bool enabled);

private:
    using ItemState = std::pair<QAction*, bool>;

    bool& m_busy;
    std::vector<ItemState> m_atEnd;
};

} // namespace vantrel

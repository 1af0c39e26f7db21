#include "app/command_scope.h"

#include <QAction>

namespace vantrel {

CommandScope::CommandScope(bool& busy, std::initializer_list<QAction*> disabled, std::initializer_list<ItemState> atEnd)
    : m_busy(busy), m_atEnd(atEnd) {
    m_busy = true;
    for (QAction* item : disabled) {
        item->setEnabled(false);
    }
}

CommandScope::~CommandScope() {
    for (const auto& [item, enabled] : m_atEnd) {
        item->setEnabled(enabled);
    }
    m_busy = false;
}

} // namespace vantrel

#include "app/command_scope.h"

#include <QAction>

#include <algorithm>

namespace vantrel {

CommandScope::CommandScope(bool& busy, std::initializer_list<QAction*> items) : m_busy(busy) {
    m_busy = true;
    for (QAction* item : items) {
        item->setEnabled(false);
        m_atEnd.emplace_back(item, true);
    }
}

void CommandScope::setAtEnd(QAction* item, bool enabled) {
    const auto place = std::find_if(m_atEnd.begin(), m_atEnd.end(), [item](const auto& s) { return s.first == item; });
    if (place != m_atEnd.end()) {
        place->second = enabled;
    } else {
        m_atEnd.emplace(m_atEnd.begin(), item, enabled);
    }
}

CommandScope::~CommandScope() {
    for (const auto& [item, enabled] : m_atEnd) {
        item->setEnabled(enabled);
    }
    m_busy = false;
}

} // namespace vantrel

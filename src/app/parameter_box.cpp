#include "app/parameter_box.h"

#include <QFocusEvent>

namespace vantrel {

ParameterBox::ParameterBox(Kind kind, int index, QWidget* parent) : QLineEdit(parent), m_kind(kind), m_index(index) {
    setMaxLength(kind == Kind::D ? 10 : 4);
    setObjectName(QStringLiteral("%1%2").arg(kind == Kind::D ? "txtDval" : "txtIval").arg(index));
    // A screen reader names the box by its row and wave, not by the number in it.
    setAccessibleName(QStringLiteral("%1, wave %2").arg(kind == Kind::D ? "d" : "i").arg(index + 1));
    setBackColour(Qt::white);
}

QColor ParameterBox::backColour() const {
    return palette().color(QPalette::Base);
}

void ParameterBox::setBackColour(QColor colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, colour);
    setPalette(colours);
}

bool ParameterBox::isPassingFocusReason(Qt::FocusReason reason) {
    return reason == Qt::MenuBarFocusReason || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason;
}

void ParameterBox::focusInEvent(QFocusEvent* event) {
    // QLineEdit selects the whole text on Tab itself; the window's handler runs after it so that its
    // selection is the one that stays.
    QLineEdit::focusInEvent(event);
    emit focusGained(event->reason());
}

void ParameterBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit focusLost(event->reason());
}

} // namespace vantrel

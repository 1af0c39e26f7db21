#include "app/parameter_box.h"

#include "app/window_colours.h"

#include <QFocusEvent>

namespace vantrel {

ParameterBox::ParameterBox(BoxKind kind, int index, QWidget* parent) : QLineEdit(parent), m_kind(kind), m_index(index) {
    setMaxLength(kind == BoxKind::D ? kDBoxLength : kIBoxLength);
    setObjectName(QStringLiteral("%1%2").arg(kind == BoxKind::D ? "txtDval" : "txtIval").arg(index));
    // A screen reader names the box by its row and wave, not by the number in it.
    setAccessibleName(QStringLiteral("%1, wave %2").arg(kind == BoxKind::D ? "d" : "i").arg(index + 1));
    setBackColour(colours::kBoxBackground);
}

QColor ParameterBox::backColour() const {
    return palette().color(QPalette::Base);
}

void ParameterBox::setBackColour(QColor colour) {
    // The backgrounds are fixed light colours, so the text colours are fixed too.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Text, colours::kBandText);
    palette.setColor(QPalette::Disabled, QPalette::Text, colours::kDisabledBoxText);
    setPalette(palette);
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

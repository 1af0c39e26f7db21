#pragma once

#include "views/box_editing.h"

#include <QColor>
#include <QLineEdit>

namespace vantrel {

// One of the twenty wave parameter boxes (txtDval, txtIval). It reports its focus changes with their
// reasons; the window decides which of them are the user entering or leaving the box.
class ParameterBox : public QLineEdit {
    Q_OBJECT

public:
    ParameterBox(BoxKind kind, int index, QWidget* parent = nullptr);

    BoxKind kind() const { return m_kind; }
    int index() const { return m_index; }

    QColor backColour() const;
    void setBackColour(QColor colour);

    // Focus that goes to a menu, a popup, a message box or another application comes back to the
    // box afterwards; the box is not left.
    static bool isPassingFocusReason(Qt::FocusReason reason);

signals:
    void focusGained(Qt::FocusReason reason);
    void focusLost(Qt::FocusReason reason);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    BoxKind m_kind;
    int m_index;
};

} // namespace vantrel

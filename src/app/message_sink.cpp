#include "app/message_sink.h"

#include <QMessageBox>

namespace vantrel {

QString messageBoxText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

void MessageBoxSink::showFailure(const std::string& text, MessageIcon icon) {
    const QMessageBox::Icon boxIcon = icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning;
    QMessageBox box(boxIcon, QStringLiteral("The Vantrel"), messageBoxText(text), QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("FailureMessage"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace vantrel

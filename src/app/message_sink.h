#pragma once

#include <QString>

#include <string>

class QWidget;

namespace vantrel {

enum class MessageIcon { Critical, Exclamation };

// Where failure messages go: a modal box in the window, a recorder in the tests.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Returns once the user has dismissed the message. `text` has CR LF line breaks.
    virtual void showFailure(const std::string& text, MessageIcon icon) = 0;
};

class MessageBoxSink final : public MessageSink {
public:
    explicit MessageBoxSink(QWidget* parent) : m_parent(parent) {}
    void showFailure(const std::string& text, MessageIcon icon) override;

private:
    QWidget* m_parent;
};

// The message with its CR LF pairs as the line breaks a label shows.
QString messageBoxText(const std::string& text);

} // namespace vantrel

#pragma once

#include "app/frm_vantrel.h"
#include "app/message_sink.h"

#include <QAction>
#include <QLabel>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vantrel::testing {

struct ShownMessage {
    std::string text;
    MessageIcon icon;
};

// Keeps every failure message instead of showing it.
class RecordingSink final : public MessageSink {
public:
    explicit RecordingSink(std::vector<ShownMessage>& log) : m_log(log) {}
    void showFailure(const std::string& text, MessageIcon icon) override { m_log.push_back({text, icon}); }

private:
    std::vector<ShownMessage>& m_log;
};

constexpr std::uint64_t kJokeSeed = 20240601;

// The joke texts, as the user reads them.
extern const char* const kJokes[10];

// The whole text of a failure message with joke k (1..10).
std::string expectedFailure(int k, const std::string& reason);
extern const std::string kNotEnoughData;
extern const std::string kTooLarge;
extern const std::string kRuntimeReason;

// A shown, active window with a recording sink and a seeded joke generator.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QAction* item(const char* name) const;
    QLabel* label(const char* name) const;
    QString text(int row, int column) const;
    bool isUpdateEnabled() const { return item("mnuUpdate")->isEnabled(); }

    // Puts the text on the clipboard and chooses Paste.
    void paste(const std::string& clipboardText);
    // Focuses a box as Tab would, replaces its text by typing, and leaves it with Tab.
    void typeAndLeave(QWidget* box, const QString& typed);
    void setClipboard(const std::string& text);

    // The menu items that each command disables while it runs.
    void expectEnabled(const std::vector<const char*>& names, bool enabled) const;

    std::vector<ShownMessage> m_messages;
    std::unique_ptr<frmVantrel> m_window;
};

// A column of n numbers with three decimals, CR LF after each line, all above zero.
std::string positiveColumn(int n);
// The values that column holds.
std::vector<double> positiveValues(int n);
std::string joinLines(const std::vector<std::string>& lines, const char* lineEnd = "\r\n");

double valueOf(const QString& text);

} // namespace vantrel::testing

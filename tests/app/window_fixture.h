#pragma once

#include "app/frm_vantrel.h"
#include "app/message_sink.h"
#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/random_source.h"
#include "app/result_grid.h"

#include <QAbstractItemModelTester>
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

constexpr std::uint64_t kJokeSeed = 20240601;

extern const std::string kNotEnoughData;
extern const std::string kTooLarge;
extern const std::string kRuntimeReason;
// The menus each command disables while it runs and enables again after it.
extern const std::vector<const char*> kRunMenus;

// A shown, active window whose failure messages are recorded instead of shown, with a seeded joke generator.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QAction* item(const std::string& name) const;
    QLabel* label(const char* name) const;
    QString text(int row, int column) const;
    bool isUpdateEnabled() const { return item("mnuUpdate")->isEnabled(); }
    void expectEnabled(const std::vector<const char*>& names, bool enabled) const;

    void setClipboard(const std::string& text);
    // Puts the text on the clipboard and chooses Paste.
    void paste(const std::string& clipboardText);
    // Focuses a box as Tab would, replaces its text by typing, and leaves it with Tab.
    void typeAndLeave(QWidget* box, const QString& typed);

    // The whole failure message the window shows next: the joke it draws, a blank line, the reason.
    std::string nextFailure(const std::string& reason);

    std::vector<ShownMessage> m_messages;
    std::unique_ptr<frmVantrel> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester;

private:
    UniformRandomSource m_twin{kJokeSeed}; // seeded like the window's, so it draws the same jokes
};

// A column of n numbers with three decimals, CR LF after each line, all above zero.
std::string positiveColumn(int n);

double valueOf(const QString& text);

} // namespace vantrel::testing

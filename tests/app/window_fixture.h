#pragma once

#include "app/frm_vantrel.h"
#include "app/parameter_box.h"
#include "app/progress_strip.h"
#include "app/result_grid.h"
#include "export/clip_text.h"
#include "intake/messages.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ranges>

namespace vantrel::testing {

// A failure message as shown: its text and its icon.
using ShownMessage = std::pair<std::string, MessageIcon>;

struct RecordingSink final : MessageSink {
    explicit RecordingSink(std::vector<ShownMessage>& log) : m_log(log) {}
    void showFailure(const std::string& text, MessageIcon icon) override { m_log.push_back({text, icon}); }
    std::vector<ShownMessage>& m_log;
};

inline const std::string kNotEnoughData = "There is not enough data.\r\n\r\nYou'll need at least 10 numbers of data.";
inline const std::string kRuntimeReason = "You caused an error.\r\n\r\nTry again.";
// The menus each command disables while it runs and enables again after it.
inline const std::vector<const char*> kRunMenus = {"mnuExit", "mnuPaste", "mnuCopy", "mnuWaveAuto", "mnuRegression"};

// A shown, active window whose failure messages are recorded instead of shown, with a seeded joke
// generator, and its grid model under Qt's model checker.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = std::make_unique<frmVantrel>(std::make_unique<RecordingSink>(m_messages),
                                                std::make_unique<UniformRandomSource>(20240601));
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        m_modelTester = std::make_unique<QAbstractItemModelTester>(
            m_window->gridModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    QAction* item(const std::string& name) const { return m_window->findChild<QAction*>(QString::fromStdString(name)); }
    QLabel* label(const char* name) const { return m_window->findChild<QLabel*>(QString::fromLatin1(name)); }
    QString text(int row, int column) const { return QString::fromStdString(m_window->table().text(row, column)); }
    bool isUpdateEnabled() const { return item("mnuUpdate")->isEnabled(); }

    bool allDBoxesWhite() const {
        return std::ranges::all_of(std::views::iota(0, kWaveCount),
                                   [this](int n) { return m_window->txtDval(n)->backColour() == QColor(Qt::white); });
    }

    void expectEnabled(const std::vector<const char*>& names, bool enabled) const {
        for (const char* name : names) {
            EXPECT_EQ(item(name)->isEnabled(), enabled) << name;
        }
    }

    // Puts the text on the clipboard and chooses Paste.
    void paste(const std::string& clipboardText) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(clipboardText));
        item("mnuPaste")->trigger();
    }

    // Focuses a box as Tab would, replaces its text by typing, and leaves it with Tab.
    void typeAndLeave(QWidget* box, const QString& typed) {
        box->setFocus(Qt::TabFocusReason);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Tab);
    }

    // The one failure message shown since the last check: the next joke drawn, a blank line, the reason.
    void expectFailure(const std::string& reason, MessageIcon icon) {
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0], ShownMessage(failureMessage(jokeNumber(m_twin.next()), reason), icon));
        m_messages.clear();
    }

    std::vector<ShownMessage> m_messages;
    std::unique_ptr<frmVantrel> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester; // declared last: goes before the window

private:
    UniformRandomSource m_twin{20240601}; // seeded like the window's, so it draws the same jokes
};

// Answers the next modal dialog once it shows.
template <typename Dialog> void answerDialog(std::function<void(Dialog&)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

// A column of n numbers with three decimals, CR LF after each line, all above zero.
inline std::string positiveColumn(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i) {
        text += QString::number(10 + 0.5 * i + 3 * std::sin(0.7 * i), 'f', 3).toStdString() + "\r\n";
    }
    return text;
}

} // namespace vantrel::testing

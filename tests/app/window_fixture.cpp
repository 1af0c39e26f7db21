#include "window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <cmath>
#include <cstdio>

namespace vantrel::testing {

namespace {

// The joking first lines, as the user reads them.
const char* const kJokes[10] = {
    "Hey! Quit breaking me!",
    "Don't make me smack you with the keyboard.",
    "You got to be kidding.",
    "I'm a computer, not a friggin' magician.",
    "Yawn... wake me up when you know what the hell you are doing.",
    "Knock-knock. Hello!? Is there anybody in there?",
    "You want me to do what? I don't think so.",
    "What the f.?!",
    "Nice try, but...",
    "It ain't gonna happen.",
};

class RecordingSink final : public MessageSink {
public:
    explicit RecordingSink(std::vector<ShownMessage>& log) : m_log(log) {}
    void showFailure(const std::string& text, MessageIcon icon) override { m_log.push_back({text, icon}); }

private:
    std::vector<ShownMessage>& m_log;
};

} // namespace

const std::string kNotEnoughData = "There is not enough data.\r\n\r\nYou'll need at least 10 numbers of data.";
const std::string kTooLarge = "The data being pasted is too large.\r\n\r\nYou can correct this by selecting -\r\n"
                              " - less data.\r\n - only 1 column of data.\r\n - only 1500 rows of data.";
const std::string kRuntimeReason = "You caused an error.\r\n\r\nTry again.";
const std::vector<const char*> kRunMenus = {"mnuExit", "mnuPaste", "mnuCopy", "mnuWaveAuto", "mnuRegression"};

void WindowTest::SetUp() {
    m_window = std::make_unique<frmVantrel>(std::make_unique<RecordingSink>(m_messages),
                                            std::make_unique<UniformRandomSource>(kJokeSeed));
    m_window->show();
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    m_modelTester = std::make_unique<QAbstractItemModelTester>(m_window->gridModel(),
                                                               QAbstractItemModelTester::FailureReportingMode::Fatal);
}

void WindowTest::TearDown() {
    m_modelTester.reset();
    m_window.reset();
}

QAction* WindowTest::item(const std::string& name) const {
    auto* found = m_window->findChild<QAction*>(QString::fromStdString(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QLabel* WindowTest::label(const char* name) const {
    auto* found = m_window->findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QString WindowTest::text(int row, int column) const {
    return QString::fromStdString(m_window->table().text(row, column));
}

void WindowTest::expectEnabled(const std::vector<const char*>& names, bool enabled) const {
    for (const char* name : names) {
        EXPECT_EQ(item(name)->isEnabled(), enabled) << name;
    }
}

void WindowTest::setClipboard(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void WindowTest::paste(const std::string& clipboardText) {
    setClipboard(clipboardText);
    item("mnuPaste")->trigger();
}

void WindowTest::typeAndLeave(QWidget* box, const QString& typed) {
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, typed);
    QTest::keyClick(box, Qt::Key_Tab);
}

std::string WindowTest::nextFailure(const std::string& reason) {
    return std::string(kJokes[static_cast<int>(10 * m_twin.next())]) + "\r\n\r\n" + reason;
}

std::string positiveColumn(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%.3f\r\n", 10 + 0.5 * i + 3 * std::sin(0.7 * i));
        text += line;
    }
    return text;
}

double valueOf(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    EXPECT_TRUE(ok) << text.toStdString();
    return value;
}

} // namespace vantrel::testing

// Time and memory of a Paste whose clipboard text lies far beyond the limit: the refusal should come
// at once and cost little beyond the clipboard's own copy of the text.
// Usage: vantrel_clipboard_bench [millions of characters, default 100]   (Qt's offscreen platform)
#include "app/frm_vantrel.h"
#include "app/message_sink.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The resident set: "VmRSS" now, "VmHWM" its peak.
long residentMegabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::atol(line.c_str() + field.size() + 1) / 1024;
        }
    }
    return -1;
}

class TimedSink final : public vantrel::MessageSink {
public:
    explicit TimedSink(const QElapsedTimer& clock) : m_clock(clock) {}
    void showFailure(const std::string& text, vantrel::MessageIcon) override {
        std::printf("message after %lld ms: %s\n", static_cast<long long>(m_clock.elapsed()),
                    text.substr(text.find("\r\n\r\n") + 4, 35).c_str());
    }

private:
    const QElapsedTimer& m_clock;
};

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const qsizetype characters = (argc > 1 ? std::atol(argv[1]) : 100) * qsizetype{1000000};
    QElapsedTimer clock;
    vantrel::frmVantrel window(std::make_unique<TimedSink>(clock));
    window.show();
    {
        QString text(characters, QLatin1Char('7'));
        for (qsizetype k = 7; k < characters; k += 8) {
            text[k] = QLatin1Char('\n');
        }
        QGuiApplication::clipboard()->setText(text);
    }
    const long before = residentMegabytes("VmRSS");
    std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
    clock.start();
    window.mnuPaste_Click();
    std::printf("resident %ld MB with the clipboard text, peak %ld MB during the Paste\n", before,
                residentMegabytes("VmHWM"));
}

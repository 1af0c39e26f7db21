// Files in and out of the window: Open..., a dropped file or text, a file named on the command line,
// Save Table As..., and what the window does for large fonts, screen readers and small screens.
#include "app/chart_painter.h"
#include "app/chart_window.h"
#include "app/window_colours.h"
#include "app/window_memory.h"
#include "batch/batch.h"
#include "export/table_file.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

namespace vantrel::testing {
namespace {

const std::string kColumn = positiveColumn(40);

std::string readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void writeFile(const QString& path, const std::string& bytes) {
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

void chooseInFileDialog(const QString& path) {
    answerDialog<QFileDialog>([path](QFileDialog& dialog) {
        dialog.selectFile(path);
        QMetaObject::invokeMethod(&dialog, "accept");
    });
}

class FileTest : public WindowTest {
protected:
    QString path(const char* name) const { return m_folder.filePath(QString::fromLatin1(name)); }

    // The Copy text of a fresh window after `act`, with the failure messages it showed.
    std::string tableAfter(const std::function<void(frmVantrel&)>& act) {
        std::vector<ShownMessage> messages;
        frmVantrel window(std::make_unique<RecordingSink>(messages), std::make_unique<UniformRandomSource>(20240601));
        window.show();
        act(window);
        EXPECT_TRUE(messages.empty()) << messages.front().first;
        return tableClipText(window.table());
    }

    std::string pastedTable(const std::string& text) {
        return tableAfter([&text](frmVantrel& w) {
            QGuiApplication::clipboard()->setText(QString::fromStdString(text));
            w.findChild<QAction*>(QStringLiteral("mnuPaste"))->trigger();
        });
    }

    QTemporaryDir m_folder;
};

void drop(frmVantrel& window, const QMimeData& data) {
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &dropped);
}

// A dropped file or text gives the table a Paste of the same text gives: the text itself for a file of
// one column (Open..., which opens the file as the command line does, is below).
TEST_F(FileTest, ADroppedFileOrTextGivesThePasteTable) {
    const QString file = path("series.txt");
    writeFile(file, kColumn);
    const std::string expected = pastedTable(kColumn);
    ASSERT_NE(expected, tableClipText(ResultTable()));
    QMimeData fileData, textData;
    fileData.setUrls({QUrl::fromLocalFile(file)});
    textData.setText(QString::fromStdString(kColumn));
    for (const QMimeData* dropped : {&fileData, &textData}) {
        EXPECT_EQ(tableAfter([dropped](frmVantrel& w) { drop(w, *dropped); }), expected) << dropped->hasText();
    }
}

// In a comma desktop a ";" file with a heading and quoted numbers: the dialog lists the headings with
// the first numeric column chosen, and the column picked loads as its unquoted fields would paste. The
// boxes are read, the table saved and the waves taken with the comma too.
TEST_F(FileTest, ChosenColumnOfASemicolonFileWithQuotedCommaNumbers) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::string file = "Name;Wert;Menge\r\n";
    std::string secondColumn;
    for (int i = 1; i <= 30; ++i) {
        const std::string value = std::to_string(i % 7 + 1) + "," + std::to_string(i % 10) + "0E+02";
        file += "\"Punkt " + std::to_string(i) + "\";\"" + value + "\";" + std::to_string(i) + "\r\n";
        secondColumn += value + "\n";
    }
    writeFile(path("three.csv"), file);
    tableAfter([&](frmVantrel& w) {
        answerDialog<QDialog>([](QDialog& dialog) {
            auto* list = dialog.findChild<QListWidget*>(QStringLiteral("ColumnList"));
            QStringList listed; // the current row marked
            for (int row = 0; row < list->count(); ++row) {
                listed << (row == list->currentRow() ? "> " : "") + list->item(row)->text();
            }
            EXPECT_EQ(listed, QStringList({"1: Name", "> 2: Wert", "3: Menge"}));
            dialog.accept();
        });
        w.openFile(path("three.csv"));
        EXPECT_TRUE(tableClipText(w.table()) == pastedTable(secondColumn));
        // "7,60E+02" is 760 here: the Data column shows the value, not the text.
        EXPECT_EQ(w.table().text(6, ResultTable::kDataColumn), "760");
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        typeAndLeave(w.txtIval(0), QStringLiteral("2,6")); // leaving an i box reads it as typed here
        EXPECT_EQ(w.txtIval(0)->text(), QStringLiteral("3"));
        ASSERT_TRUE(w.saveTableTo(path("comma.csv")));
        EXPECT_EQ(readFile(path("comma.csv")).substr(0, 21), "Index;Data;Regression");
        // With both searches off Update Waves runs the boxes as typed here, as vantrel-batch runs them.
        w.findChild<QAction*>(QStringLiteral("mnuRMSon"))->trigger();
        w.findChild<QAction*>(QStringLiteral("mnuWavelengthOn"))->trigger();
        typeAndLeave(w.txtDval(9), QStringLiteral("-1,5"));
        w.findChild<QAction*>(QStringLiteral("mnuUpdate"))->trigger();
        std::string d = "--d=", i = "--i=";
        for (int n = 0; n < kWaveCount; ++n) {
            d += (n > 0 ? ";" : "") + w.txtDval(n)->text().toStdString();
            i += (n > 0 ? ";" : "") + w.txtIval(n)->text().toStdString();
        }
        std::istringstream in(secondColumn);
        std::ostringstream out, err;
        ASSERT_EQ(
            runBatch({"--cr", "--decimal-comma", "--amplitude", "off", "--wavelength", "off", d, i}, in, out, err), 0);
        EXPECT_TRUE(tableClipText(w.table()) == out.str());
    });
}

// Headings in a font larger than the numbers' widen their columns to fit, with room to spare. Save
// Table As... writes the heading and the filled rows, by "," or tab. A file that cannot be read, a
// cancelled column choice and a failed save leave the table as it was; the failures say why in the
// system's words, and a failed save leaves no file. Every heading and number fits its row's height,
// ink and a pixel above and below; at 8 pt the heading row is 18 pixels, as it always was.
TEST_F(FileTest, HeadingsFitTheFontAndTheSavedTableHoldsTheCellsAndFailuresLeaveItAsItWas) {
    QHeaderView* heading = m_window->grid()->horizontalHeader();
    QFont large = heading->font();
    large.setPointSizeF(20);
    heading->setFont(large);
    paste(kColumn);
    for (int c = 0; c < ResultTable::kColumns - 1; ++c) {
        const QString text = m_window->gridModel()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(heading->sectionSize(c), QFontMetrics(large).horizontalAdvance(text) + 6) << c;
    }

    for (const auto& [name, kind] : {std::pair{"table.csv", TableFileKind::Csv}, {"table.tsv", TableFileKind::Tsv}}) {
        chooseInFileDialog(path(name));
        item("mnuSaveTable")->trigger();
        EXPECT_EQ(readFile(path(name)), tableFileText(m_window->table(), kind, '.')) << name;
    }
    const std::string before = tableClipText(m_window->table());
    m_window->openFile(path("missing.csv"));
    writeFile(path("two.tsv"), "a\tb\r\n1\t2\r\n");
    answerDialog<QDialog>([](QDialog& dialog) { dialog.reject(); });
    m_window->openFile(path("two.tsv"));
    const QString target = path("no-folder/table.csv");
    EXPECT_FALSE(m_window->saveTableTo(target));
    const auto noFile = [this](const char* what, const QString& name) {
        return ShownMessage(what + name.toStdString() + ": No such file or directory", MessageIcon::Exclamation);
    };
    EXPECT_EQ(m_messages, std::vector({noFile("Could not open ", path("missing.csv")),
                                       noFile("Could not save the table to ", target)}));
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(tableClipText(m_window->table()), before);
    for (const double points : {8.0, 20.0}) {
        QFont font = QApplication::font();
        font.setPointSizeF(points);
        QApplication::setFont(font);
        frmVantrel window(std::make_unique<RecordingSink>(m_messages));
        const QHeaderView* heading = window.grid()->horizontalHeader();
        const QFontMetrics headingFont(heading->font());
        EXPECT_GE(heading->height(), headingFont.tightBoundingRect(QStringLiteral("Wave 10 Regression")).height() + 2);
        EXPECT_GE(window.grid()->verticalHeader()->sectionSize(0),
                  QFontMetrics(window.grid()->font()).tightBoundingRect(QStringLiteral("-0.12345 1500")).height() + 2);
        EXPECT_TRUE(points > 8 || heading->height() == 18) << points;
    }
}

// The chart opens within a 1366 x 768 screen's available area, and within the test's screen; it closes
// with its keys. In a dark palette its picture is dark; its texts grow with the desktop font from 9 pt.
// To a screen reader the strip is a progress bar of the waves begun, its text the wave in words, its
// bar the cells of those waves; while a run lasts the File menu and its items are refused with Paste.
// The chart is a chart described as it stands.
TEST_F(FileTest, StripAndChartToAScreenReaderTheFileMenuWhileARunLastsAndTheChartOnTheScreen) {
    const QRect available(0, 0, 1366, 768);
    const QRect chart = chartOpeningGeometry(available);
    EXPECT_EQ(chart.size(), QSize(900, 720));
    EXPECT_TRUE(available.contains(chart.adjusted(0, 0, 16, 48))) << chart.x() << "," << chart.y();
    EXPECT_EQ(chartOpeningGeometry(QRect(0, 0, 1920, 1080)).size(), QSize(900, 900));
    for (const auto& [points, scale] : {std::pair{8.0, 1.0}, {9.0, 1.0}, {18.0, 2.0}}) {
        QFont font;
        font.setPointSizeF(points);
        EXPECT_EQ(chartStyleFor(QPalette(Qt::white), font).fontScale, scale) << points;
    }

    QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(m_window->strip());
    auto* value = static_cast<QAccessibleValueInterface*>(strip->interface_cast(QAccessible::ValueInterface));
    ASSERT_TRUE(strip->role() == QAccessible::ProgressBar && value != nullptr);
    EXPECT_EQ(value->maximumValue().toInt(), 10);
    int heard = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int wave = value->currentValue().toInt();
        if (!m_window->isRunning() || wave == 0) {
            return;
        }
        ++heard;
        EXPECT_EQ(strip->text(QAccessible::Value), QStringLiteral("Wave %1 of 10").arg(wave));
        EXPECT_FALSE(item("mnuFile")->isEnabled() || item("mnuOpen")->isEnabled() || item("mnuSaveTable")->isEnabled());
        const QImage bar = m_window->strip()->grab().toImage();
        const auto shows = [&](double x) {
            const QPoint at(qRound(m_window->strip()->pixelX(x)), qRound(m_window->strip()->pixelY(3)));
            return QColor(bar.pixel(at)) == colours::kProgress;
        };
        EXPECT_TRUE(shows(wave * 100 - 50) && (wave == 10 || !shows(wave * 100 + 50))) << wave;
    });
    watch.start(0);
    paste(positiveColumn(1500));
    watch.stop();
    EXPECT_GT(heard, 0);
    EXPECT_EQ(value->currentValue().toInt(), 0);
    expectEnabled({"mnuFile", "mnuOpen", "mnuSaveTable"}, true);

    item("mnuChart")->trigger();
    auto* window = m_window->findChild<ChartWindow*>();
    EXPECT_EQ(window->size(), chartOpeningGeometry(window->screen()->availableGeometry()).size());
    auto* canvas = window->findChild<ChartCanvas*>();
    QAccessibleInterface* described = QAccessible::queryAccessibleInterface(canvas);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(window)->role() == QAccessible::Window &&
                described->role() == QAccessible::Chart);
    EXPECT_TRUE(described->text(QAccessible::Description).startsWith(QStringLiteral("Data: minimum ")));
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(30, 30, 34));
    canvas->setPalette(dark);
    EXPECT_EQ(QColor(canvas->grab().toImage().pixel(2, 2)), QColor(30, 30, 34));
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        item("mnuChart")->trigger();
        QApplication::setActiveWindow(window);
        ASSERT_EQ(QApplication::activeWindow(), window);
        QTest::keySequence(window, keys);
        EXPECT_FALSE(window->isVisible()) << keys.toString().toStdString();
    }
}

// The command line is read before Qt starts: help and version need no display; Qt's own options and
// what follows "--" are not the program's; without a display the program says so in one line, exit 1.
TEST(WindowCommandLineTest, NeedsNoDisplayToAnswerAndExitsCleanlyWithoutOne) {
    const QString noDisplay = QStringLiteral("vantrel: no display to open the window on (DISPLAY and WAYLAND_DISPLAY "
                                             "are not set); vantrel-batch needs none\n");
    const std::tuple<QStringList, int, QString, QString> cases[] = {
        {{"--version"}, 0, "vantrel " VANTREL_VERSION "\n", ""},
        {{"-V"}, 0, "vantrel " VANTREL_VERSION "\n", ""},
        {{"--help"}, 0, "Usage: vantrel [FILE]\n\nOpen", ""},
        {{}, 1, "", noDisplay},
        {{"-platform", "offscreen", "-reverse", "b.csv"}, 1, "", noDisplay},
        {{"--", "-c.csv"}, 1, "", noDisplay},
        {{"--bogus"}, 2, "", "vantrel: unknown option --bogus\n"},
        {{"a.csv", "b.csv"}, 2, "", "vantrel: one FILE at most\n"},
    };
    for (const auto& [args, status, out, err] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess program;
        program.setProcessEnvironment(QProcessEnvironment()); // no DISPLAY, WAYLAND_DISPLAY nor QT_QPA_PLATFORM
        program.start(QStringLiteral(VANTREL_PROGRAM), args);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == status) << program.exitCode();
        EXPECT_EQ(QString::fromUtf8(program.readAllStandardOutput()).left(out.size()), out);
        const QString shown = QString::fromUtf8(program.readAllStandardError());
        EXPECT_EQ(shown.left(err.size()), err);
        EXPECT_EQ(shown.count(QLatin1Char('\n')), err.isEmpty() ? 0 : status == 2 ? 2 : 1);
    }
}

// The program remembers where its windows were and the last folder, and nothing of the analysis. A file
// chosen with Open... loads as its text would paste.
TEST_F(FileTest, RemembersPlacesNotSettings) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder.path());
    QCoreApplication::setApplicationName(QStringLiteral("vantrel"));
    {
        frmVantrel first(std::make_unique<RecordingSink>(m_messages));
        first.show();
        first.setGeometry(40, 50, 700, 520);
        first.findChild<QAction*>(QStringLiteral("mnuChart"))->trigger();
        first.findChild<ChartWindow*>()->setGeometry(60, 70, 500, 400);
        QDir().mkpath(path("sub"));
        writeFile(path("sub/series.txt"), kColumn);
        chooseInFileDialog(path("sub/series.txt"));
        first.findChild<QAction*>(QStringLiteral("mnuOpen"))->trigger();
        EXPECT_TRUE(tableClipText(first.table()) == pastedTable(kColumn) && m_messages.empty());
        first.close();
    }
    frmVantrel second(std::make_unique<RecordingSink>(m_messages));
    EXPECT_EQ(second.geometry(), QRect(40, 50, 700, 520));
    EXPECT_EQ(ChartWindow().geometry(), QRect(60, 70, 500, 400));
    EXPECT_EQ(second.txtDval(0)->text(), QStringLiteral("0.00000")); // the Open's d values are not kept
    QSettings stored(QStringLiteral("vantrel"), QStringLiteral("vantrel"));
    EXPECT_EQ(stored.allKeys(), QStringList({"chart/geometry", "files/lastFolder", "window/geometry"}));
    EXPECT_EQ(lastFolder(), path("sub"));
    QDir(path("sub")).removeRecursively();
    EXPECT_EQ(lastFolder(), QDir::currentPath()); // not there
}

} // namespace
} // namespace vantrel::testing

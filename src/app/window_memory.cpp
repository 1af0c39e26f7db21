#include "app/window_memory.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>

#include <memory>

namespace vantrel {

namespace {

constexpr const char* kProgramName = "vantrel";

std::unique_ptr<QSettings> settings() {
    if (QCoreApplication::applicationName() != QLatin1String(kProgramName)) {
        return nullptr;
    }
    return std::make_unique<QSettings>(QString::fromLatin1(kProgramName), QString::fromLatin1(kProgramName));
}

QString geometryKey(const QString& key) {
    return QStringLiteral("%1/geometry").arg(key);
}

class GeometryKeeper : public QObject {
public:
    GeometryKeeper(QWidget* window, QString key) : QObject(window), m_window(window), m_key(std::move(key)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && (event->type() == QEvent::Hide || event->type() == QEvent::Close) &&
            m_window->isWindow()) {
            if (auto memory = settings()) {
                memory->setValue(geometryKey(m_key), m_window->saveGeometry());
            }
        }
        return false;
    }

private:
    QWidget* m_window;
    QString m_key;
};

} // namespace

void rememberGeometry(QWidget* window, const QString& key) {
    auto memory = settings();
    if (!memory) {
        return;
    }
    const QByteArray geometry = memory->value(geometryKey(key)).toByteArray();
    if (!geometry.isEmpty()) {
        window->restoreGeometry(geometry);
    }
    window->installEventFilter(new GeometryKeeper(window, key));
}

QString lastFolder() {
    auto memory = settings();
    const QString folder = memory ? memory->value(QStringLiteral("files/lastFolder")).toString() : QString();
    return QDir(folder).exists() && !folder.isEmpty() ? folder : QDir::currentPath();
}

void setLastFolderOf(const QString& filePath) {
    if (auto memory = settings()) {
        memory->setValue(QStringLiteral("files/lastFolder"), QFileInfo(filePath).absolutePath());
    }
}

} // namespace vantrel

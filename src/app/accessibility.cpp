#include "app/accessibility.h"

#include "app/chart_window.h"
#include "app/progress_strip.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace vantrel {

namespace {

// The strip shows the wave being peeled as one of ten boxes: to a screen reader it is a progress bar
// from 0 to 10 whose value is the number of waves begun and whose text says so in words.
class ProgressStripAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressStripAccessible(ProgressStrip* strip) : QAccessibleWidget(strip, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return widget()->accessibleDescription();
        }
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return static_cast<ProgressStrip*>(widget())->waveValue(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return ProgressStrip::kWaveValueMaximum; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

// The chart's description follows its content, which the canvas builds only when it is drawn or asked.
class ChartCanvasAccessible : public QAccessibleWidget {
public:
    explicit ChartCanvasAccessible(ChartCanvas* canvas) : QAccessibleWidget(canvas, QAccessible::Chart) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Description) {
            static_cast<ChartCanvas*>(widget())->content();
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* accessibleFor(const QString& className, QObject* object) {
    if (!object->isWidgetType()) {
        return nullptr;
    }
    auto* widget = static_cast<QWidget*>(object);
    if (className == QLatin1String("vantrel::ProgressStrip")) {
        return new ProgressStripAccessible(static_cast<ProgressStrip*>(widget));
    }
    if (className == QLatin1String("vantrel::ChartWindow")) {
        return new QAccessibleWidget(widget, QAccessible::Window);
    }
    if (className == QLatin1String("vantrel::ChartCanvas")) {
        return new ChartCanvasAccessible(static_cast<ChartCanvas*>(widget));
    }
    return nullptr;
}

} // namespace

void installAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    (void)installed;
}

} // namespace vantrel

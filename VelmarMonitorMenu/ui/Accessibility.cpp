#include "Accessibility.h"

#include "panel/ApplicationAccessible.h"
#include "widgets/ButtonAccessible.h"
#include "widgets/CapsuleSlider.h"
#include "widgets/PercentSlider.h"
#include "widgets/PercentSliderAccessible.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

// A symbol that only decorates a labelled control would be read out as a nameless image; it is
// an image only while it has a name of its own.
class SymbolAccessible final : public QAccessibleWidget {
public:
    explicit SymbolAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Graphic) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (widget()->accessibleName().isEmpty())
            state.invisible = true;
        return state;
    }
};

// Our buttons by class, each with its role when it has no menu. Every one of them is a
// ButtonAccessible, whose actions click.
struct ButtonClass {
    QLatin1StringView name;
    QAccessible::Role role;
};
constexpr ButtonClass buttonClasses[] = {
    {"CircleChip"_L1, QAccessible::Button},
    {"ToggleSwitch"_L1, QAccessible::CheckBox},
    // The window's section segments are the choices of one group, as radio buttons are.
    {"SectionSegment"_L1, QAccessible::RadioButton},
    {"SceneApplyButton"_L1, QAccessible::Button},
    {"SceneActionsButton"_L1, QAccessible::Button},
    {"MonitorHeaderPicker"_L1, QAccessible::Button},
    {"KeyRecorder"_L1, QAccessible::Button},
};

template <class Slider> QAccessibleInterface* sliderInterface(QWidget* widget) {
    return new PercentSliderAccessible(widget, static_cast<Slider*>(widget)->percent());
}

// Qt asks with each class name of the object in turn, the most derived first.
QAccessibleInterface* makeInterface(const QString& className, QObject* object) {
    if (object && object == QCoreApplication::instance())
        return new ApplicationAccessible;
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    for (const auto& button : buttonClasses) {
        if (className == button.name)
            return new ButtonAccessible(static_cast<QAbstractButton*>(widget), button.role);
    }
    if (className == "CapsuleSlider"_L1)
        return sliderInterface<CapsuleSlider>(widget);
    if (className == "PercentSlider"_L1)
        return sliderInterface<PercentSlider>(widget);
    if (className == "Spinner"_L1)
        return new QAccessibleWidget(widget, QAccessible::ProgressBar);
    // Announced as the text it is, not as an anonymous pane.
    if (className == "ElidedLabel"_L1)
        return new QAccessibleWidget(widget, QAccessible::StaticText);
    if (className == "SceneSymbolView"_L1)
        return new SymbolAccessible(widget);
    return nullptr;
}

} // namespace

namespace Accessibility {

void install() {
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        // One Qt made for the application before this (a screen reader that asked early) gives
        // way to ours; the bridge looks the application up afresh for every request.
        QAccessibleInterface* current = QAccessible::queryAccessibleInterface(QCoreApplication::instance());
        if (current && !dynamic_cast<ApplicationAccessible*>(current))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(current));
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace Accessibility

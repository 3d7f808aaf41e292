#include "ScreenNaming.h"

#include "MonitorCodes.h"

#include <QCoreApplication>

namespace {

QString cleaned(const QString& text) {
    QString result = text.simplified();
    // Qt turns the line feed that ends an EDID name shorter than its field into a dash
    // ("DELL U2720Q-"); some monitors pad with more of them.
    while (result.endsWith(QLatin1Char('-')))
        result.chop(1);
    result = result.trimmed();
    // Some Wayland compositors report a field they do not know as "Unknown".
    if (result.compare(QLatin1String("unknown"), Qt::CaseInsensitive) == 0)
        return {};
    return result;
}

QString firstWord(const QString& text) {
    QString word = text.section(QLatin1Char(' '), 0, 0);
    while (word.endsWith(QLatin1Char('.')) || word.endsWith(QLatin1Char(',')))
        word.chop(1);
    return word;
}

} // namespace

bool ScreenNaming::isBuiltInConnector(const QString& connector) {
    return MonitorCodes::isBuiltInPanelConnector(connector.toStdString());
}

QString ScreenNaming::screenName(const QString& connector, const QString& manufacturer,
                                 const QString& model) {
    if (isBuiltInConnector(connector))
        return QCoreApplication::translate("ScreenNaming", "Built-in Display");

    const QString maker = cleaned(manufacturer);
    const QString product = cleaned(model);
    // A screen that does not say what it is (a virtual or remote display, a monitor without
    // EDID names) gets no name: a connector such as "screen" or "HDMI-A-1" would read worse
    // than the program's own default.
    if (maker.isEmpty() && product.isEmpty())
        return {};
    if (maker.isEmpty())
        return product;
    if (product.isEmpty())
        return maker;
    // Most monitors already carry the brand in their own name: "Dell Inc." and "DELL U2720Q"
    // make "DELL U2720Q", not "Dell Inc. DELL U2720Q".
    if (firstWord(product).compare(firstWord(maker), Qt::CaseInsensitive) == 0)
        return product;
    return maker + QLatin1Char(' ') + product;
}

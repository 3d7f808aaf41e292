#pragma once

#include "system/BuiltInDisplayBrightnessReadingSource.h"

#include <QTest>

Q_DECLARE_METATYPE(BuiltInDisplayBrightnessReading)

// Readable QCOMPARE failures for the built-in panel's readings.
namespace QTest {
template <> inline char* toString(const BuiltInDisplayBrightnessReading& reading) {
    if (reading.isAvailable())
        return qstrdup("available(" + QByteArray::number(reading.fraction(), 'g', 9) + ")");
    const char* names[] = {"noBuiltInDisplay", "noDisplayService", "ioError"};
    const auto& why = reading.unavailableReason();
    return qstrdup("unavailable(" + QByteArray(names[int(why.reason)]) + ", " + QByteArray::number(why.code) +
                   ")");
}
} // namespace QTest

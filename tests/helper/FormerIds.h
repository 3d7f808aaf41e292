#pragma once

// The ids that helpers printed before ids named the monitor alone, worked out here rather than by
// the code under test, for the "formerly" lines the app moves its settings by.
#include <QByteArray>
#include <QString>

/// FNV-1a, 64 bits, over `identity` (a real monitor's whole EDID base block; a simulated one's name,
/// a line break and its serial in decimal), continued over `ordinal`, four bytes little-endian, for
/// all but the first by place among those with the same identity.
inline QString formerId(const QByteArray& identity, quint32 ordinal = 0) {
    quint64 hash = 0xcbf29ce484222325;
    const auto mix = [&hash](quint8 byte) { hash = (hash ^ byte) * 0x100000001b3; };
    for (const char byte : identity)
        mix(quint8(byte));
    for (int shift = 0; ordinal != 0 && shift < 32; shift += 8)
        mix(quint8(ordinal >> shift));
    return QString("%1").arg(hash, 16, 16, QChar('0'));
}

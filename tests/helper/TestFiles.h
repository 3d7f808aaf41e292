#pragma once

// Files in a test's temporary folder, written and read whole.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

/// Writes `text` to `path`, replacing the file and making its folder first.
inline void makeFile(const QString& path, const QByteArray& text = {}) {
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(text), text.size());
}

/// The file's bytes; none when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The file's lines that are not empty, as a helper's log holds them.
inline QStringList fileLines(const QString& path) {
    return QString::fromUtf8(fileBytes(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

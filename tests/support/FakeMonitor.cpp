#include "FakeMonitor.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

FakeMonitor::FakeMonitor() {
    setPresent(true);
}

void FakeMonitor::setPresent(bool present) {
    if (present)
        QFile::link(QStringLiteral(FAKE_M1DDC_PATH), helperPath());
    else
        QFile::remove(helperPath());
}

void FakeMonitor::openGate(const QString& name) {
    QFile gate(m_dir.filePath(name));
    gate.open(QIODevice::WriteOnly);
}

QString FakeMonitor::helperPath() const {
    return m_dir.filePath(QStringLiteral("m1ddc"));
}

void FakeMonitor::setScript(const QString& script) {
    QFile file(m_dir.filePath(QStringLiteral("script")));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(script.toUtf8());
}

void FakeMonitor::setState(const QMap<QString, QString>& values) {
    QMap<QString, QString> state;
    QFile existing(m_dir.filePath(QStringLiteral("state")));
    if (existing.open(QIODevice::ReadOnly)) {
        for (const auto& line :
             QString::fromUtf8(existing.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const auto eq = line.indexOf(QLatin1Char('='));
            state.insert(line.left(eq), line.mid(eq + 1));
        }
        existing.close();
    }
    for (auto it = values.begin(); it != values.end(); ++it)
        state.insert(it.key(), it.value());
    QFile file(m_dir.filePath(QStringLiteral("state")));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (auto it = state.begin(); it != state.end(); ++it)
        file.write((it.key() + QLatin1Char('=') + it.value() + QLatin1Char('\n')).toUtf8());
}

QString FakeMonitor::stateValue(const QString& name) const {
    QFile file(m_dir.filePath(QStringLiteral("state")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const auto& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(name + QLatin1Char('=')))
            return line.mid(name.size() + 1);
    }
    return {};
}

QList<Invocation> FakeMonitor::invocations() const {
    QList<Invocation> result;
    QFile file(m_dir.filePath(QStringLiteral("log")));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    for (const auto& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        auto fields = line.split(QLatin1Char('\t'));
        Invocation invocation;
        invocation.startedAt =
            std::chrono::steady_clock::time_point(std::chrono::nanoseconds(fields.takeFirst().toLongLong()));
        invocation.pid = fields.takeFirst().toLongLong();
        invocation.arguments = fields;
        result.append(invocation);
    }
    return result;
}

QStringList FakeMonitor::commandLines() const {
    QStringList lines;
    for (const auto& invocation : invocations())
        lines.append(invocation.commandLine());
    return lines;
}

QStringList FakeMonitor::writes() const {
    QStringList lines;
    for (const auto& invocation : invocations()) {
        if (invocation.arguments.value(0) == QLatin1String("set"))
            lines.append(invocation.commandLine());
    }
    return lines;
}

void FakeMonitor::clearLog() {
    QFile::remove(m_dir.filePath(QStringLiteral("log")));
}

QList<double> FakeMonitor::gapsMs(const QList<Invocation>& list) {
    QList<double> gaps;
    for (qsizetype i = 1; i < list.size(); ++i)
        gaps.append(
            std::chrono::duration<double, std::milli>(list[i].startedAt - list[i - 1].startedAt).count());
    return gaps;
}

#include "FakeMonitor.h"

#include "helper/TestFiles.h"

namespace {

// Not TestFiles.h's makeFile: the benchmarks run the fake outside a test.
void writeFile(const QString& path, const QByteArray& text = {}) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}

QMap<QString, QString> readState(const QString& path) {
    QMap<QString, QString> state;
    for (const QString& line : fileLines(path))
        state.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    return state;
}

} // namespace

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
    writeFile(m_dir.filePath(name));
}

QString FakeMonitor::helperPath() const {
    return m_dir.filePath(QStringLiteral("m1ddc"));
}

void FakeMonitor::setScript(const QString& script) {
    writeFile(m_dir.filePath(QStringLiteral("script")), script.toUtf8());
}

void FakeMonitor::setDisplays(const QStringList& displays) {
    writeFile(m_dir.filePath(QStringLiteral("displays")), (displays.join(QLatin1Char('\n')) + '\n').toUtf8());
}

QString FakeMonitor::statePath(const QString& display) const {
    return m_dir.filePath(display.isEmpty() ? QStringLiteral("state") : QStringLiteral("state-") + display);
}

void FakeMonitor::setState(const QMap<QString, QString>& values, const QString& display) {
    const QString path = statePath(display);
    QMap<QString, QString> state = readState(path);
    state.insert(values);
    QByteArray text;
    for (auto it = state.begin(); it != state.end(); ++it)
        text += (it.key() + QLatin1Char('=') + it.value() + QLatin1Char('\n')).toUtf8();
    writeFile(path, text);
}

QString FakeMonitor::stateValue(const QString& name, const QString& display) const {
    return readState(statePath(display)).value(name);
}

QList<Invocation> FakeMonitor::invocations() const {
    QList<Invocation> result;
    for (const QString& line : fileLines(m_dir.filePath(QStringLiteral("log")))) {
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
    QStringList lines = commandLines();
    lines.removeIf([](const QString& line) { return !line.startsWith(QLatin1String("set ")); });
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

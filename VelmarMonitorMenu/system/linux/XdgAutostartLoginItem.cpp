#include "XdgAutostartLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("LoginItemService", text);
}

// An Exec value: quoted as the desktop entry format asks when the path has anything special.
QString execValue(const QString& program) {
    static const QString special = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (std::none_of(program.begin(), program.end(), [](QChar c) { return special.contains(c); }))
        return program;
    QString quoted = program;
    for (const char* c : {"\\", "\"", "`", "$"})
        quoted.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    // Inside a desktop entry value, a backslash is itself escaped once more.
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool isTrue(const QString& value) {
    return value.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString configHome, QString program)
    : m_configHome(std::move(configHome)), m_program(std::move(program)) {
    if (m_configHome.isEmpty()) {
        m_configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (m_configHome.isEmpty())
            m_configHome = QDir::homePath() + QStringLiteral("/.config");
    }
}

QString XdgAutostartLoginItem::entryPath() const {
    return QDir(m_configHome).filePath(QStringLiteral("autostart/") + QLatin1String(entryName));
}

bool XdgAutostartLoginItem::isEnabled() const {
    QFile entry(entryPath());
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inEntryGroup = false;
    while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntryGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntryGroup)
            continue;
        const auto eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1);
        if (key == QLatin1String("Hidden") && isTrue(value))
            return false;
        if (key == QLatin1String("X-GNOME-Autostart-enabled") && !isTrue(value))
            return false;
    }
    return true;
}

std::optional<QString> XdgAutostartLoginItem::enable() {
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return tr("Could not create the folder %1.").arg(QFileInfo(path).absolutePath());
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Text))
        return tr("Could not write %1: %2").arg(path, entry.errorString());
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Velmar Monitor\n"
                                        "Comment=Controls the Velmar monitor from the system tray\n"
                                        "Exec=%1\n"
                                        "Icon=com.velmar.Monitor\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(execValue(m_program));
    entry.write(text.toUtf8());
    if (!entry.commit())
        return tr("Could not write %1: %2").arg(path, entry.errorString());
    return std::nullopt;
}

std::optional<QString> XdgAutostartLoginItem::disable() {
    QFile entry(entryPath());
    if (entry.exists() && !entry.remove())
        return tr("Could not remove %1: %2").arg(entryPath(), entry.errorString());
    return std::nullopt;
}

std::unique_ptr<LoginItemService> makeSystemLoginItemService() {
    return std::make_unique<XdgAutostartLoginItem>(QString(), QCoreApplication::applicationFilePath());
}

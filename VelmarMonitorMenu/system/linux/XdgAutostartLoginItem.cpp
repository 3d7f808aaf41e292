#include "XdgAutostartLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("LoginItemService", text);
}

// The program as an Exec value, which a desktop reads back in three steps that are undone here in
// reverse: the argument is quoted when it holds a character the format reserves, with ", `, $ and
// \ escaped inside the quotes; the whole is then escaped as a string value (\ doubled, newline, tab
// and CR written \n, \t, \r); and % is doubled, since a single one starts a field code. Other
// control characters have no written form; nullopt then.
std::optional<QString> execValue(const QString& program) {
    static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
    const auto control = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; };
    QString argument = program;
    if (std::any_of(program.begin(), program.end(), [](QChar c) { return reserved.contains(c); })) {
        for (const char* c : {"\\", "\"", "`", "$"})
            argument.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
        argument = QLatin1Char('"') + argument + QLatin1Char('"');
    }
    QString value;
    for (const QChar c : std::as_const(argument)) {
        switch (c.unicode()) {
        case '\\':
            value += QLatin1String("\\\\");
            break;
        case '\n':
            value += QLatin1String("\\n");
            break;
        case '\t':
            value += QLatin1String("\\t");
            break;
        case '\r':
            value += QLatin1String("\\r");
            break;
        case '%':
            value += QLatin1String("%%");
            break;
        default:
            if (control(c))
                return std::nullopt;
            value += c;
        }
    }
    return value;
}

bool isTrue(const QString& value) {
    return value.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString configHome, QString program)
    : m_configHome(std::move(configHome)), m_program(std::move(program)) {
    if (m_configHome.isEmpty()) {
        m_configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        // The XDG rules ask for an absolute path and say to ignore any other.
        if (!QDir::isAbsolutePath(m_configHome))
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
    const auto exec = execValue(m_program);
    if (!exec)
        return tr("The program's path holds a control character, which an autostart entry cannot hold.");
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
                             .arg(*exec);
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

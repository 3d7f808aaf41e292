#pragma once

#include "system/LoginItemService.h"

#include <QString>

// An entry in the user's XDG autostart folder, which every freedesktop desktop (GNOME, KDE,
// Xfce, ...) reads at login. An entry that says Hidden=true, or that GNOME's switch turned off,
// counts as disabled, as the desktops themselves treat it.
class XdgAutostartLoginItem : public LoginItemService {
public:
    /// `configHome` is $XDG_CONFIG_HOME (~/.config when empty, or when the variable is unset or
    /// relative); `program` the executable the entry starts. enable() refuses a program path with a
    /// control character other than newline, tab and CR, which the entry has no way to write.
    XdgAutostartLoginItem(QString configHome, QString program);

    bool isEnabled() const override;
    std::optional<QString> enable() override;
    std::optional<QString> disable() override;

    QString entryPath() const;

    // Named after the program's desktop entry, as the desktops' own autostart settings name theirs.
    static constexpr auto entryName = "com.velmar.Monitor.desktop";

private:
    QString m_configHome;
    QString m_program;
};

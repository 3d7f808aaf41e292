#pragma once

#include "system/GlobalShortcuts.h"

#include <QKeySequence>
#include <QObject>
#include <QUuid>

#include <optional>

class MonitorSceneStore;
class SettingsFile;

// The program's own keyboard shortcuts: which key does what, kept in the settings, and handed to
// the desktop's way to keys of the program's own. What a press does is the scripting layer's (as
// the command line would do it); this object only says which action was pressed.
//
// The actions: brightness and volume up and down (by the step, 5 or 10), Night Mode and adaptive
// brightness on or off, the next input the monitor offers, and each scene. Stored as
// "shortcuts/<action>" in Qt's portable key-sequence text ("Ctrl+Alt+Up"), "shortcuts/step", and
// "shortcuts/brightnessKeys" for the keyboard's own brightness keys; an entry that cannot be read
// counts as none, alone.
class KeyboardShortcuts : public QObject {
    Q_OBJECT

public:
    static constexpr auto brightnessUp = "brightnessUp";
    static constexpr auto brightnessDown = "brightnessDown";
    static constexpr auto volumeUp = "volumeUp";
    static constexpr auto volumeDown = "volumeDown";
    static constexpr auto nightMode = "nightMode";
    static constexpr auto adaptiveBrightness = "adaptiveBrightness";
    static constexpr auto nextInput = "nextInput";
    static constexpr int defaultStep = 10;

    /// One action as Settings lists it.
    struct Action {
        QString id;    ///< as stored: "brightnessUp", ..., "scene/<uuid>"
        QString title; ///< "Brightness up", or the scene's name
        std::optional<QUuid> scene;
        bool operator==(const Action&) const = default;
    };

    KeyboardShortcuts(SettingsFile& settings, MonitorSceneStore& scenes, GlobalShortcuts& desktop,
                      QObject* parent = nullptr);

    /// The fixed actions in their order, then one per scene (built-in first, then the user's).
    QList<Action> actions() const;
    QKeySequence keys(const QString& id) const;
    /// Stores the key (an empty sequence: none) and asks the desktop for it.
    void setKeys(const QString& id, const QKeySequence& keys);
    /// How much a brightness or volume key moves the value: 5 or 10.
    int step() const { return m_step; }
    void setStep(int step);
    /// The keyboard's own brightness keys raise and lower the monitor's brightness too.
    bool usesBrightnessKeys() const { return m_brightnessKeys; }
    void setUsesBrightnessKeys(bool uses);

    /// Whether the desktop lets the program have keys of its own at all.
    bool isAvailable() const { return m_desktop.isAvailable(); }
    GlobalShortcuts::State state(const QString& id) const { return m_desktop.state(id); }
    QString boundKeys(const QString& id) const { return m_desktop.boundKeys(id); }
    QString message() const { return m_desktop.message(); }

    /// The id of a scene's action.
    static QString sceneId(const QUuid& scene);
    /// The scene an action's id names; nullopt for the other actions.
    static std::optional<QUuid> sceneFromId(const QString& id);

signals:
    /// An action's key was pressed.
    void triggered(const QString& id);
    /// The actions (a scene came or went), a key, the step or the brightness keys' switch changed.
    void changed();
    /// How the keys stand with the desktop changed.
    void stateChanged();

private:
    QString storedKeyName(const QString& id) const;
    void bind();

    SettingsFile& m_settings;
    MonitorSceneStore& m_scenes;
    GlobalShortcuts& m_desktop;
    int m_step = defaultStep;
    bool m_brightnessKeys = false;
};

#pragma once

#include <QWidget>

// Where the Settings panel will be: says plainly that it is not there yet.
class SettingsPlaceholder : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPlaceholder(QWidget* parent = nullptr);
};

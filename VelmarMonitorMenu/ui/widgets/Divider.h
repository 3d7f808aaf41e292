#pragma once

#include <QWidget>

// A hairline between the groups of a panel, quieter than a sunken frame line.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

#pragma once

#include <QToolButton>

// The panel header's monitor name when several monitors are connected: the name in the header's
// type with a small chevron, opening its menu of monitors on a click, Space, Return or Down.
class MonitorHeaderPicker : public QToolButton {
    Q_OBJECT
public:
    explicit MonitorHeaderPicker(QWidget* parent = nullptr);

    /// The chosen monitor's name: drawn (elided to the width it gets) and announced as the value.
    void setName(const QString& name);
    QString name() const { return m_name; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QString m_name;
};

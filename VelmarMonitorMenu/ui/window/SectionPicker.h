#pragma once

#include "ui/MonitorWindowSection.h"

#include <QWidget>

class QButtonGroup;
class QToolButton;

// The segmented control at the top of the window: one segment per section.
class SectionPicker : public QWidget {
    Q_OBJECT
public:
    explicit SectionPicker(QWidget* parent = nullptr);

    void setSection(MonitorWindowSection section);

signals:
    /// The user picked a segment.
    void sectionPicked(MonitorWindowSection section);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateIcons();

    QButtonGroup* m_group;
    std::vector<QToolButton*> m_segments;
};

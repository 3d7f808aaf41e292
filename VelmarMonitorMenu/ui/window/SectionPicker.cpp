#include "SectionPicker.h"

#include "ui/Accessibility.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QToolButton>

// One segment: flat, with a raised face when selected. ui/Accessibility gives it its interface
// by this class name.
class SectionSegment final : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF face = QRectF(rect()).adjusted(2, 2, -2, -2);
        const bool dark = Style::isDark(palette());
        if (isChecked()) {
            painter.setPen(QPen(QColor(0, 0, 0, dark ? 90 : 28), 1));
            painter.setBrush(dark ? palette().color(QPalette::Button).lighter(140) : QColor(Qt::white));
            painter.drawRoundedRect(face, 6, 6);
        } else if (underMouse()) {
            QColor hover = palette().color(QPalette::WindowText);
            hover.setAlphaF(0.06);
            painter.setPen(Qt::NoPen);
            painter.setBrush(hover);
            painter.drawRoundedRect(face, 6, 6);
        }
        // A focus ring for keyboard users only, not on the segment that merely opened focused.
        if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        }
        const QPixmap symbol = icon().pixmap(iconSize(), devicePixelRatioF());
        const QFontMetrics metrics(font());
        const int gap = 6;
        const int contentWidth = iconSize().width() + gap + metrics.horizontalAdvance(text());
        int x = (width() - contentWidth) / 2;
        painter.drawPixmap(QPoint(x, (height() - iconSize().height()) / 2), symbol);
        x += iconSize().width() + gap;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    }
};

SectionPicker::SectionPicker(QWidget* parent) : QWidget(parent), m_group(new QButtonGroup(this)) {
    Accessibility::install(); // for the segments
    setFixedWidth(230);
    setAccessibleName(tr("Velmar Monitor section"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    m_group->setExclusive(true);
    for (const auto section : MonitorWindowSections::allCases) {
        auto* segment = new SectionSegment(this);
        segment->setText(MonitorWindowSections::title(section));
        segment->setCheckable(true);
        segment->setFocusPolicy(Qt::StrongFocus);
        segment->setIconSize(QSize(14, 14));
        segment->setMinimumHeight(26);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        segment->setAccessibleName(MonitorWindowSections::title(section));
        m_group->addButton(segment, static_cast<int>(section));
        layout->addWidget(segment);
        m_segments.push_back(segment);
    }
    updateIcons();
    m_segments.front()->setChecked(true);
    connect(m_group, &QButtonGroup::idClicked, this,
            [this](int id) { emit sectionPicked(static_cast<MonitorWindowSection>(id)); });
}

void SectionPicker::setSection(MonitorWindowSection section) {
    if (auto* segment = m_group->button(static_cast<int>(section)))
        segment->setChecked(true);
}

void SectionPicker::updateIcons() {
    for (const auto section : MonitorWindowSections::allCases)
        m_group->button(static_cast<int>(section))
            ->setIcon(SymbolIcons::icon(MonitorWindowSections::symbol(section), palette()));
}

void SectionPicker::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        updateIcons();
    QWidget::changeEvent(event);
}

void SectionPicker::paintEvent(QPaintEvent*) {
    // The well the segments sit in.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor well = palette().color(QPalette::WindowText);
    well.setAlphaF(Style::isDark(palette()) ? 0.12 : 0.07);
    painter.setPen(Qt::NoPen);
    painter.setBrush(well);
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

#include "SectionPicker.moc"

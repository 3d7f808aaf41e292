#include "SceneManagementRow.h"

#include "SceneSymbolView.h"
#include "ui/Accessibility.h"
#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"
#include "ui/widgets/ButtonAccessible.h"
#include "ui/widgets/ControlLook.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/KeyAsSpace.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int minimumRowHeight = 36;
constexpr int symbolWidth = 18;
constexpr int symbolPixelSize = 16;
constexpr int actionsSide = 28;
constexpr qreal cornerRadius = 6;
constexpr auto destructiveProperty = "velmarDestructive";

// Press feedback for a borderless button: a faint wash of the text colour, stronger while down.
void paintWash(QPainter& painter, const QAbstractButton* button, const QRectF& area, qreal radius) {
    const qreal strength = button->isDown() ? 0.10 : button->underMouse() && button->isEnabled() ? 0.05 : 0;
    if (strength <= 0)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(ControlLook::faded(button->palette().color(QPalette::WindowText), strength));
    painter.drawRoundedRect(area, radius, radius);
}

// Return presses the row's buttons as Space does, as it does a list row elsewhere.
template <class Handle> void pressLikeSpace(QKeyEvent* event, Handle handle) {
    KeyAsSpace::forward(event, KeyAsSpace::isReturn(event), handle);
}

} // namespace

// The row's face: everything but the menu is one button, so the whole row is a target.
// ui/Accessibility gives this button and the next their interface by class name.
class SceneApplyButton final : public QAbstractButton {
    Q_OBJECT
public:
    explicit SceneApplyButton(QWidget* parent) : QAbstractButton(parent) {
        setAttribute(Qt::WA_Hover);
        setFocusPolicy(Qt::StrongFocus);
        setMinimumHeight(minimumRowHeight);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = rect();
        paintWash(painter, this, area, cornerRadius);
        if (ControlLook::showsFocusRing(this))
            ControlLook::drawFocusRing(painter, area, cornerRadius, palette());
    }
    void keyPressEvent(QKeyEvent* event) override {
        pressLikeSpace(event, [this](QKeyEvent* e) { QAbstractButton::keyPressEvent(e); });
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        pressLikeSpace(event, [this](QKeyEvent* e) { QAbstractButton::keyReleaseEvent(e); });
    }
};

// The "…" button: only its symbol until the pointer is over it, and no menu arrow.
class SceneActionsButton final : public QToolButton {
    Q_OBJECT
public:
    explicit SceneActionsButton(QWidget* parent) : QToolButton(parent) {
        setFixedSize(actionsSide, actionsSide);
        setAttribute(Qt::WA_Hover);
        setFocusPolicy(Qt::StrongFocus);
        setPopupMode(QToolButton::InstantPopup);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = rect();
        paintWash(painter, this, area, area.width() / 2);
        if (ControlLook::showsFocusRing(this))
            ControlLook::drawFocusRing(painter, area, area.width() / 2, palette());
        const QColor colour = underMouse() || isDown() ? palette().color(QPalette::WindowText)
                                                       : Style::secondaryText(palette());
        const QPixmap symbol =
            SymbolIcons::pixmap(u"ellipsis.circle"_s, symbolPixelSize, colour, devicePixelRatioF());
        const QSizeF size = symbol.deviceIndependentSize();
        painter.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), symbol);
    }
    void keyPressEvent(QKeyEvent* event) override {
        pressLikeSpace(event, [this](QKeyEvent* e) { QToolButton::keyPressEvent(e); });
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        pressLikeSpace(event, [this](QKeyEvent* e) { QToolButton::keyReleaseEvent(e); });
    }
};

namespace {

// Draws a destructive action ("Delete") in the error colour, as platforms mark such items.
class SceneActionsMenu final : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
        QMenu::initStyleOption(option, action);
        if (!action->property(destructiveProperty).toBool())
            return;
        const QColor error = Style::errorText(palette());
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
                option->palette.setColor(group, role, error);
        }
    }
};

} // namespace

SceneManagementRow::SceneManagementRow(ScenePickerItem item, bool isActive, std::function<void()> onApply,
                                       std::function<void()> onEdit, std::function<void()> onDuplicate,
                                       std::function<void()> onDelete, QWidget* parent)
    : QWidget(parent), m_item(std::move(item)), m_active(isActive), m_onApply(std::move(onApply)),
      m_onEdit(std::move(onEdit)), m_onDuplicate(std::move(onDuplicate)), m_onDelete(std::move(onDelete)) {
    Accessibility::install(); // for the row's two buttons

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    m_apply = new SceneApplyButton(this);
    m_apply->setAccessibleName(tr("Apply %1 scene").arg(m_item.title));
    m_apply->setToolTip(Style::plainToolTip(tr("Apply %1").arg(m_item.title)));
    auto* face = new QHBoxLayout(m_apply);
    face->setContentsMargins(6, 4, 6, 4);
    face->setSpacing(10);
    auto* symbol =
        new SceneSymbolView(m_item.symbol, symbolPixelSize, SceneSymbolView::Tone::secondary, m_apply);
    symbol->setFixedWidth(symbolWidth);
    face->addWidget(symbol);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new ElidedLabel(m_apply);
    title->setText(m_item.title);
    texts->addWidget(title);
    if (m_item.detail && !m_item.detail->isEmpty()) {
        m_detail = new ElidedLabel(m_apply);
        m_detail->setFont(Style::captionFont());
        m_detail->setText(*m_item.detail);
        texts->addWidget(m_detail);
    }
    texts->addStretch(1);
    texts->insertStretch(0, 1);
    // Takes the spare width, so the checkmark keeps to the trailing edge, at least 10 px from the text.
    face->addLayout(texts, 1);
    m_checkmark = new SceneSymbolView(u"checkmark.circle.fill"_s, symbolPixelSize,
                                      SceneSymbolView::Tone::accent, m_apply);
    m_checkmark->setAccessibleName(tr("Active"));
    face->addWidget(m_checkmark);
    // The face is drawn by children; clicks, hovering and tooltips belong to the button.
    for (QWidget* child : m_apply->findChildren<QWidget*>())
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(m_apply, 1);

    m_actions = new SceneActionsButton(this);
    m_actions->setToolTip(tr("Scene actions"));
    m_actions->setAccessibleName(tr("Actions for %1").arg(m_item.title));
    m_menu = new SceneActionsMenu(m_actions);
    m_actions->setMenu(m_menu);
    row->addWidget(m_actions, 0, Qt::AlignVCenter);
    buildMenu();

    // Queued: the owner may rebuild its list, freeing this row, from inside a callback.
    connect(
        m_apply, &QAbstractButton::clicked, this,
        [this] {
            if (m_onApply)
                m_onApply();
        },
        Qt::QueuedConnection);

    m_checkmark->setVisible(m_active);
    ButtonAccessible::setValueText(*m_apply, m_active ? tr("Active") : tr("Not active"));
    restyle();
}

SceneManagementRow::~SceneManagementRow() = default;

void SceneManagementRow::setActive(bool active) {
    if (active == m_active)
        return;
    m_active = active;
    m_checkmark->setVisible(active);
    ButtonAccessible::setValueText(*m_apply, active ? tr("Active") : tr("Not active"));
}

void SceneManagementRow::buildMenu() {
    const auto add = [this](const QString& symbol, const QString& text,
                            const std::function<void()>& callback) {
        QAction* action = m_menu->addAction(text); // its symbol comes with restyle()
        action->setData(symbol);
        connect(
            action, &QAction::triggered, this, [callback] { callback(); }, Qt::QueuedConnection);
        return action;
    };
    if (m_onEdit)
        add(u"pencil"_s, tr("Edit"), m_onEdit);
    if (m_onDuplicate)
        add(u"plus.square.on.square"_s, tr("Duplicate"), m_onDuplicate);
    // Built-in scenes cannot be deleted, whatever the owner offers.
    if (m_onDelete && m_item.isEditable) {
        m_menu->addSeparator();
        add(u"trash"_s, tr("Delete"), m_onDelete)->setProperty(destructiveProperty, true);
    }
    m_actions->setVisible(!m_menu->isEmpty());
}

void SceneManagementRow::restyle() {
    if (m_detail)
        Style::setTextColor(m_detail, Style::secondaryText(palette()));
    for (QAction* action : m_menu->actions()) {
        if (action->isSeparator())
            continue;
        QPalette colours = palette();
        if (action->property(destructiveProperty).toBool())
            colours.setColor(QPalette::WindowText, Style::errorText(palette()));
        action->setIcon(SymbolIcons::icon(action->data().toString(), colours));
    }
}

void SceneManagementRow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Light or dark: colours and menu symbols are drawn anew.
    if (event->type() == QEvent::PaletteChange && m_menu)
        restyle();
}

#include "SceneManagementRow.moc"

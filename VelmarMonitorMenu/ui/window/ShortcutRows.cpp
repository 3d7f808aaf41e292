#include "ShortcutRows.h"

#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"
#include "ui/widgets/Divider.h"
#include "ui/widgets/KeyRecorder.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int recorderWidth = 150;
}

ShortcutRows::ShortcutRows(KeyboardShortcuts& shortcuts, QWidget* parent)
    : QWidget(parent), m_shortcuts(shortcuts), m_rows(new QVBoxLayout(this)) {
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    connect(&m_shortcuts, &KeyboardShortcuts::changed, this, [this] {
        if (m_shortcuts.actions() != m_actions)
            rebuild();
        else
            showKeys();
    });
    connect(&m_shortcuts, &KeyboardShortcuts::stateChanged, this, &ShortcutRows::showStates);
    rebuild();
}

QString ShortcutRows::stateText(GlobalShortcuts::State state, const QString& boundKeys) {
    switch (state) {
    case GlobalShortcuts::State::pending:
        return tr("Waiting for the desktop to allow it");
    case GlobalShortcuts::State::taken:
        return tr("Taken by another program");
    case GlobalShortcuts::State::refused:
        return tr("Not allowed by the desktop");
    case GlobalShortcuts::State::active:
        // The desktop may have bound another key than the one asked for.
        return boundKeys.isEmpty() ? QString() : tr("The desktop uses %1").arg(boundKeys);
    case GlobalShortcuts::State::none:
        break;
    }
    return {};
}

void ShortcutRows::rebuild() {
    while (auto* item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_shown.clear();
    m_actions = m_shortcuts.actions();
    for (const auto& action : m_actions) {
        if (!m_shown.isEmpty())
            m_rows->addWidget(new Divider(this));
        auto* row = new QWidget(this);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 5, 0, 5);
        line->setSpacing(8);
        auto* names = new QVBoxLayout;
        names->setSpacing(1);
        auto* title = new QLabel(action.title, row);
        title->setTextFormat(Qt::PlainText);
        names->addWidget(title);
        auto* status = new QLabel(row);
        status->setTextFormat(Qt::PlainText);
        status->setFont(Style::captionFont());
        status->setWordWrap(true);
        status->hide();
        names->addWidget(status);
        line->addLayout(names, 1);

        auto* recorder = new KeyRecorder(row);
        recorder->setFixedWidth(recorderWidth);
        recorder->setAccessibleName(tr("%1 shortcut").arg(action.title));
        title->setBuddy(recorder);
        line->addWidget(recorder);
        auto* clear = new QToolButton(row);
        clear->setAutoRaise(true);
        clear->setAccessibleName(tr("Clear %1 shortcut").arg(action.title));
        clear->setToolTip(tr("Clear"));
        // Shown only with a key to clear; its place is kept so the recorders stay in line.
        QSizePolicy keepPlace = clear->sizePolicy();
        keepPlace.setRetainSizeWhenHidden(true);
        clear->setSizePolicy(keepPlace);
        line->addWidget(clear);
        m_rows->addWidget(row);

        connect(recorder, &KeyRecorder::recorded, this,
                [this, id = action.id](const QKeySequence& keys) { m_shortcuts.setKeys(id, keys); });
        connect(clear, &QToolButton::clicked, this, [this, id = action.id] { m_shortcuts.setKeys(id, {}); });
        m_shown.append({action.id, status, recorder, clear});
    }
    showKeys();
    restyle();
    updateGeometry();
}

void ShortcutRows::showKeys() {
    for (const auto& row : m_shown) {
        const QKeySequence keys = m_shortcuts.keys(row.id);
        if (!row.recorder->isRecording())
            row.recorder->setKeys(keys);
        row.clear->setVisible(!keys.isEmpty());
    }
    showStates();
}

void ShortcutRows::showStates() {
    for (const auto& row : m_shown) {
        const QString text = stateText(m_shortcuts.state(row.id), m_shortcuts.boundKeys(row.id));
        row.status->setText(text);
        row.status->setVisible(!text.isEmpty());
        // Said with the key, so that a screen reader hears it too.
        row.recorder->setAccessibleDescription(text);
    }
    restyle();
}

void ShortcutRows::restyle() {
    for (const auto& row : m_shown) {
        const auto state = m_shortcuts.state(row.id);
        const bool problem = state == GlobalShortcuts::State::taken || state == GlobalShortcuts::State::refused;
        Style::setTextColor(row.status, problem ? Style::warningText(palette()) : Style::secondaryText(palette()));
        row.clear->setIcon(SymbolIcons::icon(QStringLiteral("xmark.circle.fill"), palette()));
    }
}

void ShortcutRows::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        restyle();
}

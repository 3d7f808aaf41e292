#include "SceneIdentityEditor.h"

#include "ui/icons/SymbolIcons.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {
constexpr int fieldWidth = 220;
}

SceneIdentityEditor::SceneIdentityEditor(const QString& header, const QStringList& symbols, QWidget* parent)
    : FormSection(header, parent), m_symbols(symbols), m_name(new QLineEdit(this)),
      m_symbol(new QComboBox(this)) {
    m_name->setAccessibleName(tr("Scene name"));
    m_name->setFixedWidth(fieldWidth);
    m_name->installEventFilter(this);
    addRow(tr("Name"), m_name);

    m_symbol->setAccessibleName(tr("Scene icon"));
    m_symbol->setFixedWidth(fieldWidth);
    for (const QString& symbol : symbols)
        m_symbol->addItem(SymbolIcons::icon(symbol, palette()), SymbolIcons::displayName(symbol), symbol);
    addRow(tr("Icon"), m_symbol);

    connect(m_name, &QLineEdit::textChanged, this, &SceneIdentityEditor::nameChanged);
    connect(m_symbol, &QComboBox::currentIndexChanged, this, [this] { emit symbolChanged(symbol()); });
}

QString SceneIdentityEditor::name() const {
    return m_name->text();
}

void SceneIdentityEditor::setName(const QString& name) {
    m_name->setText(name);
}

QString SceneIdentityEditor::symbol() const {
    return m_symbol->currentData().toString();
}

void SceneIdentityEditor::setSymbol(const QString& symbol) {
    int index = m_symbol->findData(symbol);
    if (index < 0) {
        // At most one extra entry: the symbol the scene came with.
        if (m_symbol->count() > m_symbols.size())
            m_symbol->removeItem(m_symbol->count() - 1);
        m_symbol->addItem(SymbolIcons::icon(symbol, palette()), SymbolIcons::displayName(symbol), symbol);
        index = m_symbol->count() - 1;
    }
    m_symbol->setCurrentIndex(index);
}

bool SceneIdentityEditor::isNameFocused() const {
    return m_name->hasFocus();
}

void SceneIdentityEditor::setNameFocused(bool focused) {
    if (focused)
        m_name->setFocus(Qt::OtherFocusReason);
    else
        m_name->clearFocus();
}

bool SceneIdentityEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_name) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            // Return finishes the name without also pressing the form's default button: the
            // user may not be done with the rest of the form.
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_name->clearFocus();
                return true;
            }
            break;
        }
        case QEvent::FocusIn:
            emit nameFocusChanged(true);
            break;
        case QEvent::FocusOut:
            emit nameFocusChanged(false);
            break;
        default:
            break;
        }
    }
    return FormSection::eventFilter(watched, event);
}

void SceneIdentityEditor::changeEvent(QEvent* event) {
    FormSection::changeEvent(event);
    // Light or dark: the picker's symbols are drawn anew in the palette's colours.
    if (event->type() == QEvent::PaletteChange)
        refreshIcons();
}

void SceneIdentityEditor::refreshIcons() {
    for (int i = 0; i < m_symbol->count(); ++i)
        m_symbol->setItemIcon(i, SymbolIcons::icon(m_symbol->itemData(i).toString(), palette()));
}

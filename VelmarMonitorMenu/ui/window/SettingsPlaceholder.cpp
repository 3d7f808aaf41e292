#include "SettingsPlaceholder.h"

#include "ui/icons/SymbolIcons.h"
#include "ui/Style.h"

#include <QLabel>
#include <QVBoxLayout>

SettingsPlaceholder::SettingsPlaceholder(QWidget* parent) : QWidget(parent) {
    setFixedSize(480, 640);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    auto* symbol = new QLabel(this);
    symbol->setPixmap(SymbolIcons::pixmap(QStringLiteral("gearshape.fill"), 40,
                                          Style::tertiaryText(palette()), devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    layout->addWidget(symbol);
    auto* text = new QLabel(tr("Settings are not available in this version yet."), this);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    Style::setTextColor(text, Style::secondaryText(palette()));
    layout->addWidget(text);
    layout->addStretch(1);
}

#include "SceneFormRows.h"

#include "ui/window/FormSection.h"

#include <QBoxLayout>
#include <QLabel>

namespace SceneFormRows {

void addWideRow(FormSection& section, QWidget* content) {
    // A labelled row is label, stretch, content; without its label and stretch the content
    // takes the whole row, within the row's margins.
    section.addRow(QString(), content)->hide();
    auto* line = qobject_cast<QBoxLayout*>(content->parentWidget()->layout());
    Q_ASSERT(line);
    for (int i = line->count() - 1; i >= 0; --i) {
        if (line->itemAt(i)->spacerItem())
            delete line->takeAt(i);
    }
    line->setStretchFactor(content, 1);
    // The row's fixed minimum height would also cap it: a taller content would be squeezed to it
    // when the form is short of room, instead of the form scrolling. The content's minimum decides.
    content->parentWidget()->setMinimumHeight(0);
}

void setRowShown(QWidget* content, bool shown) {
    QWidget* row = content->parentWidget();
    row->setVisible(shown);
    QLayout* rows = row->parentWidget() ? row->parentWidget()->layout() : nullptr;
    if (!rows)
        return;
    // The card puts a one-pixel hairline before every row but the first.
    const int index = rows->indexOf(row);
    if (QWidget* above = index > 0 ? rows->itemAt(index - 1)->widget() : nullptr;
        above && above->maximumHeight() == 1)
        above->setVisible(shown);
}

} // namespace SceneFormRows

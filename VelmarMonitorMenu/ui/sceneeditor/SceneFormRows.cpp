#include "SceneFormRows.h"

#include "ui/window/FormSection.h"

#include <QWidget>

namespace SceneFormRows {

void addWideRow(FormSection& section, QWidget* content) {
    QWidget* row = section.addFullRow(content);
    // The content's own minimum decides the row's height: a taller content is never squeezed,
    // the form scrolls instead.
    row->setMinimumHeight(0);
}

void setRowShown(QWidget* content, bool shown) {
    // The card draws hairlines between the rows it shows only.
    content->parentWidget()->setVisible(shown);
}

} // namespace SceneFormRows

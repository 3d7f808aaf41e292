#include "SceneEditorActions.h"

#include <QHBoxLayout>
#include <QPushButton>

SceneEditorActions::SceneEditorActions(const QString& saveTitle, QWidget* parent)
    : QWidget(parent), m_cancel(new QPushButton(tr("Cancel"), this)),
      m_save(new QPushButton(saveTitle, this)) {
    auto* layout = new QHBoxLayout(this); // the style's own margins around the bar
    layout->addStretch(1);
    layout->addWidget(m_cancel);
    layout->addWidget(m_save);
    m_save->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &SceneEditorActions::cancelRequested);
    connect(m_save, &QPushButton::clicked, this, &SceneEditorActions::saveRequested);
}

bool SceneEditorActions::canSave() const {
    return m_save->isEnabled();
}

void SceneEditorActions::setCanSave(bool canSave) {
    m_save->setEnabled(canSave);
}

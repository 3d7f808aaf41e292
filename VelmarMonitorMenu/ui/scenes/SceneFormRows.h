#pragma once

class FormSection;
class QWidget;

// Rows of a grouped form that FormSection's labelled rows do not cover: a row whose content
// spans the card (a scene row, a value editor with its own title).
namespace SceneFormRows {
/// Adds `content` as a row without a label, as wide as the card.
void addWideRow(FormSection& section, QWidget* content);
} // namespace SceneFormRows

#pragma once

class FormSection;
class QWidget;

// Rows of a grouped form that FormSection's labelled rows do not cover: a row whose content
// spans the card (a value editor with its own title), and rows that come and go.
namespace SceneFormRows {
/// Adds `content` as a row without a label, as wide as the card.
void addWideRow(FormSection& section, QWidget* content);
/// Shows or hides the row holding `content`.
void setRowShown(QWidget* content, bool shown);
} // namespace SceneFormRows

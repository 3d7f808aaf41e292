#pragma once

class QWidget;

/// Shows and hides a widget with a short fade of its opacity (about 0.2 s), or at once while its
/// window is not on screen or the desktop asks for no animation. A widget coming in takes its
/// room at the start of the fade; one going out keeps it until the end, and is then really hidden,
/// so the layout closes the gap and a screen reader no longer finds it. A change of mind half way
/// turns the fade round from where it is.
namespace FadingVisibility {
/// Fades `widget` in or out. The first call fits `widget` with the opacity effect it fades with;
/// it must have no other graphics effect.
void setVisible(QWidget& widget, bool visible);
} // namespace FadingVisibility

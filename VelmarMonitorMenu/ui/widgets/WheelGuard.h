#pragma once

class QWidget;

/// Keeps scrolling from operating a control: a mouse wheel or a touchpad turned over a guarded
/// picker or slider goes on to the page around it (which scrolls if it can) instead of choosing
/// an entry or moving the value, whether or not the control has the focus. Every control of ours
/// writes to the monitor at once, and a click leaves the focus on it, so a wheel that meant to
/// scroll the page would otherwise switch the input or apply a scene. Keys, the pointer and
/// assistive technology operate the control as before, and the wheel never gives it the focus.
namespace WheelGuard {
/// Guards the pickers, sliders and spin boxes under `root`, as they are now.
void guardControls(QWidget& root);
/// Guards one control.
void guard(QWidget& control);
} // namespace WheelGuard

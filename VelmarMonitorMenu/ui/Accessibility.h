#pragma once

// How assistive technology meets the program's own widgets and the application itself: one
// factory gives each of them its interface.
namespace Accessibility {
/// Installs that factory, and makes the application answer with its own interface from now on;
/// safe to call again. Every widget it serves calls it as it is made, so a widget made alone
/// answers a screen reader as it does in the program.
void install();
} // namespace Accessibility

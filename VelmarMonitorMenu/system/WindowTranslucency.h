#pragma once

// Whether the desktop blends a window's transparent pixels with what lies beneath it. Without a
// compositing manager (a bare X window manager) they show black, so a window with rounded corners
// must cut its shape out instead.
bool desktopBlendsTranslucentWindows();

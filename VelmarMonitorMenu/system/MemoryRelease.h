#pragma once

// Hands memory the program has freed back to the system. A tray program that opened its
// window once should not keep the window's memory for the rest of the session.
void releaseFreedMemory();

#pragma once
// Program entry of the desktop program: answers --help and --version without a window, checks
// for a display, starts the application, creates the main window and then the hidden progress
// window, installs the desktop services and runs the event loop until the main window closes.
// Folders given as arguments are scanned once the window is shown, as if they had been dropped on
// it.
namespace nulvane {

int RunProgram(int argc, char** argv);

// True when a windowing system can be reached: a Qt platform chosen explicitly, or an X or
// Wayland display named in the environment.
bool HasDisplay();

}  // namespace nulvane

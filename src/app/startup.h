#pragma once

namespace tessaro {

// The program's entry: refuses a second instance, shows the splash window,
// creates the main window, runs its load sequence and shows it. Arguments:
// "--settings FILE" keeps the settings in FILE instead of the user's store;
// any other argument names an SPD file to open after start-up.
int RunWorkstation(int argc, char** argv);

}  // namespace tessaro

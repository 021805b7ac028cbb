#pragma once

#include <QString>

class QTranslator;

namespace tessaro {

class MainWindow;
namespace ui {
class SingleInstance;
}

// The program's entry: refuses a second instance, shows the splash window,
// creates the main window, runs its load sequence and shows it. Arguments:
// "--settings FILE" keeps the settings in FILE instead of the user's store;
// any other argument names an SPD file to open after start-up.
// "--help" and "--version" print their text and return 0 without a window.
int RunWorkstation(int argc, char** argv);

// The text of "tessaro --help".
const char* WorkstationUsage();

// Loads the toolkit's own texts (file and print dialogs, message-box buttons)
// in Traditional Chinese, "qtbase_zh_TW" from `directory` (the toolkit's
// translations folder when empty). False when there is no such file: the
// dialogs then stay in English.
bool LoadToolkitTranslations(QTranslator& translator, const QString& directory = {});

// A later start of the system: the files it hands over open in `window` as
// Open opens them, then `window` comes to the front.
void ConnectLaterStarts(ui::SingleInstance& instance, MainWindow& window);

}  // namespace tessaro

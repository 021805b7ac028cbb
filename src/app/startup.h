#pragma once

#include <QString>
#include <QStringList>

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

// Loads the windows' own texts in Traditional Chinese (the catalogue built
// into the program). False only when the build lacks it.
bool LoadWindowTranslations(QTranslator& translator);

// A start while the system already runs: with files they are handed to the
// running instance without a word; without, "本程式已執行" is shown first.
// Either way the running instance's main window comes to the front.
void StepBackForRunningInstance(ui::SingleInstance& instance, const QStringList& files);

// A later start of the system: the files it hands over open in `window` as
// Open opens them, then `window` comes to the front.
void ConnectLaterStarts(ui::SingleInstance& instance, MainWindow& window);

}  // namespace tessaro

// velmont's start-up: the only unit that knows both windows; it creates them and links each
// to the interface the other offers.
#pragma once

class QApplication;
class TMainFormular;
class TForm1;

/// The application's title (task-bar entry): one blank at each end.
inline constexpr const char* ApplicationTitle = " The Vantre BNG <> UTM Converter ";

/// What `velmont --help` prints: the usage line, the options and what the program shows.
const char* VelmontUsage();

/// Answers --help (-h) and --version on standard output before any window or display is
/// needed: 0, the exit status, when one of them is among the arguments, else -1 (start the
/// program; every other argument is Qt's, e.g. -platform offscreen).
int AnswerCommandLine(int argc, const char* const* argv);

/// Links the two windows: the map window writes the converter's inputs and runs its keys, the
/// converter drives the map's point-of-interest display.
void LinkWindows(TMainFormular& converter, TForm1& map);

/// Creates and links both windows and shows them, the converter window active: MainFormular
/// and Form1.
void ShowWindows();

/// Starts the program on an existing application object: one initialize_api/finalize_api
/// probe (the library's first call), the application title, the converter window as main
/// window, then the map window, shown at once. Sets MainFormular and Form1.
void StartVelmont(QApplication& app);

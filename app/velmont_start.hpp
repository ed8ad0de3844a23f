// velmont's start-up: the only unit that knows both windows; it creates them and links each
// to the interface the other offers.
#pragma once

class QApplication;
class TMainFormular;
class TForm1;

/// The application's title (task-bar entry): one blank at each end.
inline constexpr const char* ApplicationTitle = " The Vantre BNG <> UTM Converter ";

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

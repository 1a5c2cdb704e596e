// Program entry: the framework part of the application object. Start-up
// never enters a message loop of its own, so the exit hook follows directly.
#include <windows.h>

#include "app/VantoExeApp.h"
#include "util/DllSearch.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything loads a DLL: never from the program's or the current folder.
  RestrictDllSearch();
  CVantoExeApp app;
  app.SetCommandLine(GetCommandLineTail(::GetCommandLineA()));
  app.InitInstance();
  return app.ExitInstance();
}

#include <windows.h>

#include "app/form1.h"

int WINAPI wWinMain(_In_ HINSTANCE, _In_opt_ HINSTANCE, _In_ PWSTR, _In_ int showCommand) {
  // Started from a download folder, the program must never load a DLL that
  // was put beside it: libraries it or Windows load later come from System32.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return app::RunProgram(showCommand);
}

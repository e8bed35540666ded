#include <windows.h>

#include "app/form1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) { return app::RunProgram(showCommand); }

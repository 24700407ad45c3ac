// The process's entry: the program's start-up (Startup.cpp) from the arguments
// the system gives.
#include "Startup.h"

#ifdef PREPROCESSOR_WIN32_WINDOW
#include <windows.h>

// Platform corner: the Windows front-end starts where a Windows program does,
// and reads its arguments itself, as UTF-16.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    return RunProgram(argc, nullptr);
}
#else
int main(int argc, char* argv[]) {
    return RunProgram(argc, argv);
}
#endif

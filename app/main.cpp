// The platform's GUI entry.
#include "app/entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR cmdLine, int) {
    return RunDawnbell(instance, cmdLine);
}

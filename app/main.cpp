// The platform's GUI entry.
#include "app/entry.h"

// The arguments are read from the raw command line: the C runtime's own copy drops the blanks
// in front of them, and a line with a blank before "-s" is no start-up start.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    return RunDawnbell(instance, ArgumentsOf(GetCommandLineW()));
}

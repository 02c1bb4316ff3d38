// Reading a shell link (.lnk) file without the shell: just enough to tell whether a shortcut
// already starts a given program with given arguments.
#pragma once
#include "platform/win.h"

namespace desktop {

// True only when the shell link file `shortcut` certainly starts `program` (a full path on a
// local drive, "X:\...") with exactly `arguments`: its local target path and the names in its
// target's item list all say so. A file that cannot be read, is cut short, is not a shell link,
// or whose target is given some other way (a network path, an environment string, an installer
// entry) answers false.
bool ShellLinkStarts(LPCWSTR shortcut, LPCWSTR program, LPCWSTR arguments);

} // namespace desktop

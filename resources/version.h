// The program's version, in one place: the version resource, the manifest (made from
// dawnbell.manifest.in at build time), the Version Info banner and the installer all take it
// from here. Plain macros, because the resource compiler and CMake read this file too.
#pragma once

#define DAWNBELL_VERSION_MAJOR 1
#define DAWNBELL_VERSION_MINOR 0
// The version as the user reads it, and the four-part one of files and manifests.
#define DAWNBELL_VERSION_TEXT "1.0"
#define DAWNBELL_FILE_VERSION_TEXT "1.0.0.0"

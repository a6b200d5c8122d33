#pragma once
// Run-time loading of component files, and where they are looked up.

#include <string>

// Loads a shared object with dlopen; null when it cannot be loaded.
void* LoadModule(const std::string& path);
// Looks up an exported symbol; null when missing or when `module` is null.
void* ModuleSymbol(void* module, const char* name);
// Unloads one load of the module; null is accepted.
void FreeModule(void* module);

// Folder of the running program (from /proc/self/exe), without a trailing slash.
std::string ProgramDirectory();
// Folder the decoder components are loaded from: $TEMPOWRIGHT_COMPONENT_DIR when set and
// non-empty, else InstalledComponentDirectory(ProgramDirectory()).
std::string ComponentDirectory();
// Folder the decoder components of the program in `programDir` live in: the installed
// components' folder relative to it when that folder exists, else `programDir` itself (the
// build tree, where programs and components share one folder).
std::string InstalledComponentDirectory(const std::string& programDir);

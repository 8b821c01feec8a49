// The program's entry and outermost control.
#pragma once

// The process entry. The command line is one string split at spaces and tabs.
int WinMain(void* instance, void* prevInstance, const char* commandLine, int showFlag);
// The launcher's main routine, called by WinMain with argv[0] null.
int RealMain(int argc, char** argv);

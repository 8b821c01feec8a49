// Handing the running process over to another program installed beside it:
// the same arguments, the same process, so the caller's parent sees that
// program's output and exit status as if it had been started directly.
#pragma once

// Replaces the process with the program siblingName in the directory of the
// running executable, passing argv unchanged (argv[0] included, so messages
// and usage lines keep the name the user typed). Returns only when that
// program cannot be started, with a one-line reason in reason (naming the
// path that was tried) and the process unchanged.
void PlatHandOverToSibling(const char* siblingName, char** argv, char* reason, unsigned reasonSize);

// The mutex of the program's locks (the process-wide lock, the log, the
// random generator, the socket list, a connection's sends). On POSIX this is
// the pthreads mutex itself, with its static initialisers
// (PTHREAD_MUTEX_INITIALIZER, PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP); a
// Windows build provides the same type and calls through a pthreads layer.
#pragma once

#include <pthread.h>

// The launcher's state loop and the work of each state. The main window's
// State byte says what the loop does on its next turn; the screens' buttons
// and the download window's reports (ZindleWindow's handlers) move it from
// state to state. Each state's work is one function of the window, so it runs
// on the null device as well as under a display.
#pragma once

#include "launcher/launcher_state.h"

class ZindleWindow;

// "StateBeginInstall" for 9, "StateUnused14" for 14, "" outside 1..17.
const char* LauncherStateName(int state);
// Sets the window's state and traces it if it changed.
void SetState(ZindleWindow* window, LauncherState state);
// Traces the window's state when it differs from the one traced last (states
// set by the screens or the update engine are traced this way).
void TraceStateChange(ZindleWindow* window);
// Forgets the last traced state (tests).
void ResetStateTrace();

// The succeed file names from the installation directory.
void RecomputeSucceedFileNames();

// One turn's work of the current state. False after StateLaunch ran.
bool DoStateWork(ZindleWindow* window);
// Pumps and works until StateLaunch has run, then ends the program without
// a message.
[[noreturn]] void RunStateLoop(ZindleWindow* window);

// The work of the states, one per state.
void ShowMenuWork(ZindleWindow* window);          // 1
void StartCopyWork(ZindleWindow* window);         // 3
void CopyFilesWork(ZindleWindow* window);         // 4
void FetchTermsWork(ZindleWindow* window);        // 5
void UpdatingWork(ZindleWindow* window);          // 6
void FinishInstallWork(ZindleWindow* window);     // 7
void BeginInstallWork(ZindleWindow* window);      // 9
void InstallDownloadsWork(ZindleWindow* window);  // 10
void LaunchWork(ZindleWindow* window);            // 11
void BeginUninstallWork(ZindleWindow* window);    // 12
void UninstallingWork(ZindleWindow* window);      // 13
void BeginUpdateWork(ZindleWindow* window);       // 16

// The retry question of a queued file waiting out its retry delay.
void AskRetryQuestion(ZindleWindow* window, const char* fileName);
// The question of a failed transfer that arrived while another box was up,
// once no box is up and the download window is still paused for it.
void AskPendingRetryQuestion(ZindleWindow* window);
// The download window, made when there is none yet.
class DownloadWindow;
DownloadWindow* EnsureDownloadWindow(ZindleWindow* window);
// Queues a list with its completion callback and its name as the argument.
void QueueList(ZindleWindow* window, const char* name, void (*callback)(DownloadWindow*, void*));

// The main window as the update engine's host: what the download window is
// built from, the warnings the engine shows, the installation's list wait
// and the progress of the digest pass.
#pragma once

// Makes MainWin the engine's host (UpdateHostWindow); with a null MainWin
// the engine has no host.
void ConnectUpdateHost();

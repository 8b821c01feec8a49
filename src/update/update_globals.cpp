#include "update/update_globals.h"

#include <cstring>

#include "foundation/intrusive_list.h"
#include "update/update_host.h"

const char* masterlistname = "master.lst";
const char* updatedlistname = "updated.lst";
const char* installfname = "files.ins";

ZindlePatchEntry* PatchList = nullptr;
unsigned char PatchesEnabled = 1;
ZindleFileListEntry* ZindleList = nullptr;
ZindleFileListEntry* InstallFileList = nullptr;
unsigned char IgnoreQuorvelFiles = 0;

unsigned char NewMasterList = 0;
int ZindleNoUpdateFlag = 0;
unsigned char DoneChecksumming = 0;
int FullFileVerify = 0;
unsigned long TotalDownloads = 0;
unsigned long FinishedDownloads = 0;
char MasterSucceedFilename[kInstallPathSize] = "succeed1.txt";
char UpdatedSucceedFilename[kInstallPathSize] = "succeed2.txt";
UpdateHost* UpdateHostWindow = nullptr;

void ResetUpdateGlobals() {
  masterlistname = "master.lst";
  updatedlistname = "updated.lst";
  installfname = "files.ins";
  WipeList(PatchList);
  PatchesEnabled = 1;
  WipeList(ZindleList);
  WipeList(InstallFileList);
  IgnoreQuorvelFiles = 0;
  NewMasterList = 0;
  ZindleNoUpdateFlag = 0;
  DoneChecksumming = 0;
  FullFileVerify = 0;
  TotalDownloads = 0;
  FinishedDownloads = 0;
  std::strcpy(MasterSucceedFilename, "succeed1.txt");
  std::strcpy(UpdatedSucceedFilename, "succeed2.txt");
  UpdateHostWindow = nullptr;
}

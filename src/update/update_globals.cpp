#include "update/update_globals.h"

#include "foundation/intrusive_list.h"

const char* masterlistname = "master.lst";
const char* updatedlistname = "updated.lst";
const char* installfname = "files.ins";

ZindlePatchEntry* PatchList = nullptr;
unsigned char PatchesEnabled = 1;
ZindleFileListEntry* ZindleList = nullptr;
ZindleFileListEntry* InstallFileList = nullptr;
unsigned char IgnoreQuorvelFiles = 0;

void ResetUpdateGlobals() {
  masterlistname = "master.lst";
  updatedlistname = "updated.lst";
  installfname = "files.ins";
  WipeList(PatchList);
  PatchesEnabled = 1;
  WipeList(ZindleList);
  WipeList(InstallFileList);
  IgnoreQuorvelFiles = 0;
}

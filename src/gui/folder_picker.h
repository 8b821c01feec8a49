// A modal folder browser built from the toolkit's widgets: a framed window
// with the current path in an entry field, the subdirectories of the current
// folder in a text box (a click selects, a double click or Open goes in,
// ".." or Up goes to the parent), and OK and Cancel. It reports to its
// recipient as HandleMessage (okMessage or cancelMessage, 0, 0, this, path),
// with the chosen path (null for Cancel), and destroys itself first.
#pragma once

#include <string>
#include <vector>

#include "gui/gui_framed_window.h"

class GUIButton;
class GUIStringGadget;
class GUITextBox;

class GUIFolderPicker : public GUIFramedWindow {
 public:
  GUIObject* Recipient = nullptr;
  int OkMessage = 0, CancelMessage = 0;
  std::string Path;  // the current folder, without a trailing separator (except the root)
  std::vector<std::string> Folders;
  GUIStringGadget* PathField = nullptr;
  GUITextBox* List = nullptr;
  GUIButton *UpButton = nullptr, *OpenButton = nullptr, *OkButton = nullptr, *CancelButton = nullptr;

  // Starts in startPath (the nearest existing ancestor of it, or the
  // current directory). Becomes Modal; the caller attaches it and calls
  // Place ().
  GUIFolderPicker(const char* title, GUIObject* recipient, const char* startPath, int okMessage, int cancelMessage,
                  int width = 420, int height = 330);

  // Lists `path` if it is a readable directory; false otherwise (nothing changes).
  bool ChangeTo(const std::string& path);
  // The parent folder of the current one.
  void GoUp();
  void Place();

  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  void LayoutChildren() override;

 private:
  void Finish(bool ok);
  std::string SelectedFolderPath() const;
};

// The parent of a path ("/a/b" -> "/a", "/a" -> "/", "/" -> "/").
std::string ParentFolder(const std::string& path);
// Joins a folder and a name with the platform separator.
std::string JoinFolder(const std::string& folder, const std::string& name);

// Where the tool finds what it carries into releases and packages: the
// launcher built beside it and the project's default skin.
#pragma once

#include <string>

// The directory holding the running quorvel-tool, or "" when unknown.
std::string ToolDirectory();
// quorvel.exe beside quorvel-tool.
std::string DefaultLauncherPath();
// $QUORVEL_ASSETS_DIR when set; else "assets" beside the tool when it holds a
// skin; else the project's assets/ folder the tool was built from.
std::string DefaultAssetsDir();

// The game folder and headview.log around headview.ini, gathered once;
// nothing is printed or changed.
#pragma once

#include "probe/facts.h"

#include <string>

SetUpFacts GatherSetUpFacts(const std::string& iniPath);
FolderFacts GatherFolderFacts(const std::string& folder);

// What headview.log at `path` shows of the plugin's last set-up and the
// lines after it, however far back in the file that set-up lies.
LogFacts GatherLogFacts(const std::string& path);

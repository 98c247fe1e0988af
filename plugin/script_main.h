// The plugin's script: start-up, then one pass of the frame loop per frame.
#pragma once

// Run by the script hook on the script's own thread; never returns.
void ScriptMain();

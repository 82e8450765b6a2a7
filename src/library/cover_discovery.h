// Cover discovery: which picture file in an album folder is its cover.
// Pure functions of the folder's listing, safe on any thread: they touch no
// library state, so a loader thread can call them while the frame thread reads
// the library.
#pragma once

#include <string>

// The cover's full path (folder + separator + file name), or "" when the
// folder holds no picture file or cannot be listed. Lists the folder once.
std::string findCoverFile(const std::string& folder);

// Whether a file of this name is taken as a picture: looks at the name alone.
bool isCoverName(const std::string& name);

// A whole folder listing through the platform layer, for the tests of the
// listing itself on either system.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

// Every entry of `folder` in listing order; empty when findFirst fails. Also
// checks (as a test expectation) that the end of a listing stays the end.
std::vector<platform::FindEntry> listAll(const std::string& folder);

// The mistakes of a settings file, said: a key that section [vellora] does
// not know, a true-or-false or a number the reader does not take as written,
// a section name close to "vellora", lines the reader never reads. One line
// each on standard error, naming the file, the line, what was taken and what
// to write. Nothing changes what the values mean: only true and True are true,
// a number is what the reader makes of it.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The lines for the settings text `content` of the file called `file` (as
// people see its name), each without the program's name and newline, e.g.
// "./vellora.ini line 3: autoplay = yes is taken as false; write true or false".
// `numberRead` gives the number the reader takes for a key whose value is
// not empty.
std::vector<std::string> settingsMistakes(const std::string& content, const std::string& file,
                                          const std::function<int(const char* key)>& numberRead);

// Reads the settings file at `path` (named `file` for people) and writes its
// mistakes to standard error, "vellora: " before each. A file that cannot be
// read has none.
void reportSettingsMistakes(const std::string& path, const std::string& file,
                            const std::function<int(const char* key)>& numberRead);

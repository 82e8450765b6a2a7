// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when
// the object goes. Helpers make folders and files inside it.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + relative (Windows: every '/' then a backslash)
    std::string at(const std::string& relative) const;
    // Creates the folder (and its parents) below path(); returns its full path.
    std::string makeFolder(const std::string& relative) const;
    // Writes `content` to the file below path(), writable by its owner only
    // among the write bits; returns its full path.
    std::string writeFile(const std::string& relative, const std::string& content) const;

private:
    std::string path_;
};

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

#ifdef _WIN32
#include <random>

TempDir::TempDir() {
    std::random_device random;
    std::error_code error;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        fs::path candidate = fs::temp_directory_path(error) / ("vellora-test-" + std::to_string(random()));
        if (fs::create_directory(candidate, error)) path_ = candidate.string();
    }
    if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
}
#else
TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vellora-test-XXXXXX";
    if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed for " << pattern;
    path_ = pattern;
}
#endif

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave folders unreadable; give them back before removing.
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string TempDir::at(const std::string& relative) const {
    std::string full = path_ + "/" + relative;
#ifdef _WIN32
    std::replace(full.begin(), full.end(), '/', '\\');  // the separator the program itself writes
#endif
    return full;
}

std::string TempDir::makeFolder(const std::string& relative) const {
    std::string full = at(relative);
    std::error_code error;
    fs::create_directories(fs::u8path(full), error);  // names are UTF-8 on every system
    if (error) ADD_FAILURE() << "cannot make " << full << ": " << error.message();
    return full;
}

std::string TempDir::writeFile(const std::string& relative, const std::string& content) const {
    std::string full = at(relative);
    std::ofstream out(fs::u8path(full), std::ios::binary);
    out << content;
    if (!out) ADD_FAILURE() << "cannot write " << full;
    out.close();
    // Whatever the umask: the browser reads no settings file that others can change.
    std::error_code ignored;
    fs::permissions(full, fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove, ignored);
    return full;
}

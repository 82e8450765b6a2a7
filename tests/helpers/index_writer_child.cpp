// A process writing to a library index, for the tests that kill one while it
// writes, run two at once, or fill the disk under one:
//   index-writer-child PATH PREFIX GROUPS SIZE
// writes GROUPS groups (0: until killed) of SIZE albums "PREFIX G N" of the
// library "/music", and prints each group's number G once it is written. Ends
// with 0, or 4 when writing ended early (its one line then said why).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "library/library_index.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: index-writer-child PATH PREFIX GROUPS SIZE\n", stderr);
        return 2;
    }
    const std::string prefix = argv[2];
    const int groups = std::atoi(argv[3]), size = std::atoi(argv[4]);
    LibraryIndex index(argv[1], "/music", 1);
    for (int group = 0; groups == 0 || group < groups; ++group) {
        IndexChanges changes;
        for (int i = 0; i < size; ++i)
            changes.albumFound(prefix + " " + std::to_string(group) + " " + std::to_string(i), prefix, group);
        index.write(std::move(changes));
        if (!index.flush(60000)) return 3;
        std::printf("%d\n", group);
        std::fflush(stdout);
    }
    return index.writing() ? 0 : 4;
}

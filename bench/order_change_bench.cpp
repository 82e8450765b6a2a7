// What changing the row's order costs the frame thread in a big library: a
// music folder of N albums (100,000 by default) whose tags (a year of 70, an
// artist of 5,000) and times are known, the row put by each order in turn
// through F2's own call (the order made, the texture table and the selection
// moved with the albums; no cover is loaded, so the cover streaming's part,
// which grows with the covers loaded and not with the library, is left out).
// Also: keeping a batch of 50 albums' tags read, the frame loop's part of the
// background reading every half second.
//
// Usage: order_change_bench [albums, default 100000] [rounds, default 5]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/album_orders.h"
#include "app/app_state.h"
#include "library/albums_loader.h"
#include "texture/gl_texture.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

uint32_t mixed(uint32_t i) {
    i ^= i >> 16;
    i *= 0x7feb352d;
    i ^= i >> 15;
    return i * 0x846ca68b;
}

std::string summary(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    char text[96];
    std::snprintf(text, sizeof text, "%.1f ms median (%.1f - %.1f)", ms[ms.size() / 2], ms.front(), ms.back());
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    char base[] = "/tmp/vellora-order-bench-XXXXXX";
    if (!mkdtemp(base)) {
        std::perror("order_change_bench: mkdtemp");
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s/Album %08x %06d", base, mixed(uint32_t(i)), i);  // not in name order
        mkdir(name, 0755);
    }
    AlbumsLoader library(base, "");
    std::filesystem::remove_all(base);
    albums = &library;
    const int albumsMade = library.getAlbumsCount();
    std::vector<TagsOfAlbum> tags;
    std::vector<std::pair<std::string, int64_t>> added;
    for (int i = 0; i < albumsMade; ++i) {
        const uint32_t h = mixed(uint32_t(i) + 12345);
        tags.push_back({library.getAlbumKey(i), {int(1950 + h % 70), "Artist " + std::to_string(h / 70 % 5000), ""}});
        added.emplace_back(library.getAlbumKey(i), int64_t(1500000000 + h % 100000000));
    }
    Clock::time_point start = Clock::now();
    library.setAlbumTags(tags);
    library.setAlbumsAdded(added);
    std::printf("%d albums; every album's tags and time kept at once: %.1f ms\n", albumsMade, msSince(start));

    std::vector<double> batch;
    for (int r = 0; r < rounds; ++r) {
        std::vector<TagsOfAlbum> some;  // spread over the library, as the reading goes
        for (int k = 0; k < 50; ++k) some.push_back(tags[size_t(mixed(uint32_t(r * 50 + k)) % tags.size())]);
        start = Clock::now();
        library.setAlbumTags(some);
        batch.push_back(msSince(start));
    }
    std::printf("a batch of 50 albums' tags kept: %s\n", summary(batch).c_str());

    textures = new glTexture[size_t(albumsMade)]();
    current = albumsMade / 2;
    position = float(current);
    const AlbumOrder orders[] = {AlbumOrder::Added, AlbumOrder::Year, AlbumOrder::Artist, AlbumOrder::Name};
    std::vector<double> times[kAlbumOrders];
    for (int r = 0; r < rounds; ++r)
        for (AlbumOrder order : orders) {
            const std::string key = library.getAlbumKey(current);
            start = Clock::now();
            changeOrder(order, 0);
            times[int(order)].push_back(msSince(start));
            if (library.getAlbumKey(current) != key || position != float(current)) {
                std::fprintf(stderr, "order_change_bench: the selected album moved away\n");
                return 1;
            }
        }
    for (AlbumOrder order : orders)
        std::printf("changing to %-6s (F2's call, frame thread): %s\n", albumOrderWord(order),
                    summary(times[int(order)]).c_str());
    delete[] textures;
    textures = nullptr;
    albums = nullptr;
    return 0;
}

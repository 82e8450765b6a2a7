// The orders of the row: the rule as a table, the same rule over a library
// whose tags were written by taggers and read through the tag helper, and the
// row keeping its order while albums come and go.
#include <gtest/gtest.h>

#include <mp4file.h>
#include <mp4tag.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "library/album_order.h"
#include "library/album_tags.h"
#include "library/albums_loader.h"
#include "library/tag_reading.h"
#include "platform/platform.h"
#include "support/audio_files.h"
#include "support/temp_dir.h"

namespace {

std::vector<std::string> captions(AlbumsLoader& albums) {
    std::vector<std::string> row;
    for (int i = 0; i < albums.getAlbumsCount(); ++i) row.push_back(albums.getAlbumName(i));
    return row;
}

// Reads every album's tags with the real helper, as the browser does, and keeps them in `albums`.
void readTags(AlbumsLoader& albums, const std::string& music) {
    TagReading reading(music, VELLORA_TAG_HELPER_BINARY);
    std::vector<TagJob> jobs;
    for (int i = 0; i < albums.getAlbumsCount(); ++i) jobs.push_back({albums.getAlbumKey(i)});
    reading.want(jobs);
    std::vector<TagsOfAlbum> read;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (read.size() < jobs.size() && std::chrono::steady_clock::now() < giveUp) {
        for (TagResult& result : reading.take()) read.push_back(std::move(result.album));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(read.size(), jobs.size());
    EXPECT_TRUE(reading.idle());
    // Ended while it reads, and while held: it stops at once, whatever still waits.
    for (bool held : {false, true}) {
        TagReading early(music, VELLORA_TAG_HELPER_BINARY);
        early.hold(held);
        early.want(jobs);
    }
    EXPECT_EQ(albums.setAlbumTags(read), int(jobs.size()));
}

}  // namespace

TEST(AlbumOrder, EachOrderPutsTheRowAsItsRuleSays) {
    // Albums in name order (their index is their place by name).
    std::vector<AlbumFacts> facts(7);
    facts[0] = {300, 1999, "Zed", "", true};    // A
    facts[1] = {0, 1975, "abba", "", true};     // B: no time known
    facts[2] = {500, 0, "", "", true};          // C: read, tags say nothing
    facts[3] = {100, 1999, "", "Abba", true};   // D: the artist from its folder
    facts[4] = {500, 0, "", "", false};         // E: not read yet
    facts[5] = {200, 1960, "Zed", "Other", true};  // F: the tag's artist wins over its folder's
    facts[6] = {0, 0, "", "Yes", false};        // G: not read, but its folder names the artist
    const struct {
        AlbumOrder order;
        std::vector<uint32_t> row;
    } cases[] = {
        {AlbumOrder::Name, {0, 1, 2, 3, 4, 5, 6}},
        // Newest first; two of one time by name; no time known last, by name.
        {AlbumOrder::Added, {2, 4, 0, 5, 3, 1, 6}},
        // Oldest first, two of 1999 by name; then read without a year; then not read, by name.
        {AlbumOrder::Year, {5, 1, 0, 3, 2, 4, 6}},
        // abba and Abba compare as the listing does (folded first); Zed's by year; then no artist.
        {AlbumOrder::Artist, {3, 1, 6, 5, 0, 2, 4}},
    };
    for (const auto& c : cases) EXPECT_EQ(albumRowOrder(c.order, facts), c.row) << albumOrderWord(c.order);

    // The words of the setting and F2's round.
    AlbumOrder order = AlbumOrder::Name;
    EXPECT_TRUE(albumOrderFromWord("Year", &order));
    EXPECT_EQ(order, AlbumOrder::Year);
    EXPECT_FALSE(albumOrderFromWord("years", &order));
    EXPECT_FALSE(albumOrderFromWord("", &order));
    EXPECT_EQ(order, AlbumOrder::Year);
    std::vector<std::string> round;
    for (int i = 0; i <= kAlbumOrders; ++i, order = nextAlbumOrder(order)) round.push_back(albumOrderWord(order));
    EXPECT_EQ(round, (std::vector<std::string>{"year", "artist", "name", "added", "year"}));
    EXPECT_TRUE(albumOrderFromWord(albumOrderWord(AlbumOrder::Added), &order));
    EXPECT_EQ(order, AlbumOrder::Added);
}

TEST(AlbumOrder, TaggersYearsAndArtistsOrderALibraryReadThroughTheHelper) {
    TempDir dir;
    const std::string wav = dir.writeFile("silence.wav", silentWav());
    for (const char* album : {"Ape 1960", "Flac 1999", "Id3v23 1975", "Id3v24 1999", "M4a 1988", "No year",
                              "No music", "Disc album"})
        dir.makeFolder(std::string("music/") + album);
    dir.makeFolder("music/Disc album/CD1");
    // ID3v2.4 TDRC with a full date and an album artist; ID3v2.3 TYER.
    dir.writeFile("music/Id3v24 1999/01.mp3", mp3Frames());
    tagMp3(dir.at("music/Id3v24 1999/01.mp3"), 4, "1999-03-01", "Track Artist", "Beta");
    dir.writeFile("music/Id3v23 1975/01.mp3", mp3Frames());
    tagMp3(dir.at("music/Id3v23 1975/01.mp3"), 3, "1975", "Alpha", nullptr);
    dir.writeFile("music/No year/01.mp3", mp3Frames());
    tagMp3(dir.at("music/No year/01.mp3"), 4, nullptr, "Alpha", nullptr);
    // Only the first audio file counts: the second one's year is not read.
    dir.writeFile("music/No year/02.mp3", mp3Frames());
    tagMp3(dir.at("music/No year/02.mp3"), 4, "1950", "Alpha", nullptr);
    // Vorbis comments as the FLAC encoder writes them.
    encode({"flac", "--silent", "-T", "DATE=1999", "-T", "ALBUMARTIST=Alpha", "-T", "ALBUM=Flac Title", "-o",
            dir.at("music/Flac 1999/01.flac"), wav},
           dir);
    // The APEv2 Year item as the WavPack encoder writes it.
    encode({"wavpack", "-q", "-w", "Year=1960", "-w", "Artist=Gamma", wav, "-o", dir.at("music/Ape 1960/01.wv")},
           dir);
    // MP4's ©day.
    dir.writeFile("music/M4a 1988/01.m4a", mp4Skeleton());
    {
        TagLib::MP4::File file(dir.at("music/M4a 1988/01.m4a").c_str());
        ASSERT_TRUE(file.isValid());
        file.tag()->setYear(1988);
        file.tag()->setArtist("Beta");
        ASSERT_TRUE(file.save());
    }
    // A multi-disc album: its first disc's file speaks for it.
    encode({"flac", "--silent", "-T", "DATE=1988", "-T", "ARTIST=Alpha", "-o",
            dir.at("music/Disc album/CD1/01.flac"), wav},
           dir);
    dir.writeFile("music/No music/cover.jpg", "");

    // The helper gives what TagLib reads in this process.
    std::string failure;
    const AlbumTags flac = readAlbumTags(dir.at("music/Flac 1999/01.flac"), &failure);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(flac.year, 1999);
    EXPECT_EQ(flac.artist, "Alpha");
    EXPECT_EQ(flac.title, "Flac Title");
    EXPECT_EQ(readAlbumTags(dir.at("music/Id3v24 1999/01.mp3"), &failure).artist, "Beta");  // the album artist
    EXPECT_EQ(albumTagFile(dir.at("music/Disc album")), dir.at("music/Disc album/CD1/01.flac"));
    EXPECT_EQ(albumTagFile(dir.at("music/No music")), "");
    const std::string notAudio = dir.writeFile("music/No music/broken.mp3", "ID3 broken");
    readAlbumTags(notAudio, &failure);
    EXPECT_NE(failure.find(notAudio), std::string::npos);

    AlbumsLoader albums(dir.at("music"), "");
    readTags(albums, dir.at("music"));
    EXPECT_EQ(albums.albumsWithTagsRead(), 8);
    std::vector<int> moved;
    const struct {
        AlbumOrder order;
        std::vector<std::string> row;
    } cases[] = {
        {AlbumOrder::Year,
         {"Ape 1960", "Id3v23 1975", "Disc album", "M4a 1988", "Flac 1999", "Id3v24 1999", "No music", "No year"}},
        {AlbumOrder::Artist,
         {"Id3v23 1975", "Disc album", "Flac 1999", "No year", "M4a 1988", "Id3v24 1999", "Ape 1960", "No music"}},
        {AlbumOrder::Name,
         {"Ape 1960", "Disc album", "Flac 1999", "Id3v23 1975", "Id3v24 1999", "M4a 1988", "No music", "No year"}},
    };
    for (const auto& c : cases) {
        albums.setOrder(c.order, &moved);
        EXPECT_EQ(captions(albums), c.row) << albumOrderWord(c.order);
    }
}

TEST(AlbumOrder, TheRowKeepsItsOrderAndItsAlbumsWhenAlbumsComeAndGo) {
    TempDir dir;
    for (const char* name : {"A", "B", "C", "D"}) dir.makeFolder(std::string("music/") + name);
    AlbumsLoader albums(dir.at("music"), "");
    albums.setAlbumTags({{"A", {1990, "", ""}}, {"B", {1970, "", ""}}, {"C", {1980, "", ""}}, {"D", {0, "", ""}}});
    std::vector<int> moved;
    EXPECT_TRUE(albums.setOrder(AlbumOrder::Year, &moved));
    EXPECT_EQ(captions(albums), (std::vector<std::string>{"B", "C", "A", "D"}));
    EXPECT_EQ(moved, (std::vector<int>{2, 0, 1, 3}));  // A went from 0 to 2, B from 1 to 0, ...
    EXPECT_FALSE(albums.setOrder(AlbumOrder::Year, &moved));  // nothing new: nothing moves
    EXPECT_EQ(albums.getAlbumYear(0), 1970);

    // C goes, E (tags not read) and 0 come: the others keep their places in the order.
    AlbumChange change = albumChangeBetween("", {"A", "B", "C", "D"}, {"0", "A", "B", "D", "E"});
    ASSERT_TRUE(albums.applyChange(change, &moved));
    EXPECT_EQ(captions(albums), (std::vector<std::string>{"B", "A", "D", "0", "E"}));
    EXPECT_EQ(moved, (std::vector<int>{0, -1, 1, 2}));  // B, C gone, A, D
    EXPECT_FALSE(albums.getAlbumTagsRead(3));
    // They came now: newest first, whatever their files' times.
    EXPECT_GT(albums.getAlbumAdded(3), kAddedBeforeIndex);
    EXPECT_EQ(albums.getAlbumAdded(0), 0);  // B: there from the start, its time not read yet
    // Its tags come: in place once the order is made again.
    albums.setAlbumTags({{"E", {1960, "", ""}}, {"gone", {1, "", ""}}});
    EXPECT_TRUE(albums.setOrder(AlbumOrder::Year, &moved));
    EXPECT_EQ(captions(albums), (std::vector<std::string>{"E", "B", "A", "D", "0"}));
    EXPECT_EQ(albums.getAlbumKey(0), "E");
    EXPECT_EQ(albums.getAlbumFolder(0), dir.at("music/E"));
    // Back to the names.
    EXPECT_TRUE(albums.setOrder(AlbumOrder::Name, &moved));
    EXPECT_EQ(captions(albums), (std::vector<std::string>{"0", "A", "B", "D", "E"}));
    EXPECT_EQ(moved, (std::vector<int>{4, 2, 1, 3, 0}));
}

// The tags the orders go by, as taggers write them (ID3v2 TDRC and TYER,
// Vorbis DATE, MP4 ©day, APE Year; an album without a year, two of
// one year), read through the tag helper as the browser reads them, and the
// row in each order over them.
#include <gtest/gtest.h>

#include <mp4file.h>
#include <mp4tag.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "library/album_tags.h"
#include "library/albums_loader.h"
#include "library/tag_reading.h"
#include "support/album_captions.h"
#include "support/audio_files.h"
#include "support/temp_dir.h"

namespace {

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

TEST(AlbumTags, TaggersYearsAndArtistsOrderALibraryReadThroughTheHelper) {
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


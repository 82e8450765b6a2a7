// Reads an album's year, album artist and title with TagLib. Each file is
// first shown to the tag guards and opened without its audio properties; a
// failure of any kind becomes a reason in text.
#include "library/album_tags.h"

#include <aifffile.h>
#include <apefile.h>
#include <asffile.h>
#include <flacfile.h>
#include <mp4file.h>
#include <mpcfile.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <tpropertymap.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <wavpackfile.h>

#include <new>

#include "library/folder_rules.h"
#include "library/media_files.h"
#include "library/read_only_tag_file.h"
#include "library/ogg_flac_pictures.h"
#include "library/tag_guards.h"
#include "platform/platform.h"

namespace {

std::string text(const TagLib::String& value) { return value.stripWhiteSpace().to8Bit(true); }

// What an opened file's tag says; false when the file is not valid.
bool fromFile(TagLib::File& file, AlbumTags* tags) {
    if (!file.isValid()) return false;
    const TagLib::Tag* tag = file.tag();
    if (!tag) return true;
    tags->year = int(tag->year());
    tags->title = text(tag->album());
    const TagLib::PropertyMap properties = file.properties();
    const auto albumArtist = properties.find("ALBUMARTIST");
    if (albumArtist != properties.end() && !albumArtist->second.isEmpty())
        tags->artist = text(albumArtist->second.front());
    if (tags->artist.empty()) tags->artist = text(tag->artist());
    return true;
}

template <typename FileType, typename Name>
bool readAs(const Name* name, AlbumTags* tags) {
    ReadOnlyTagFile<FileType> fileRead(name);
    FileType& file = *fileRead;
    return fromFile(file, tags);
}

bool readOne(const std::string& path, AlbumTags* tags) {
    const platform::NativePath native = platform::nativePath(path);
    const auto* name = native.c_str();
    switch (audioKindOf(path)) {
        case AudioKind::Mpeg: return readAs<TagLib::MPEG::File>(name, tags);
        case AudioKind::Flac: return readAs<TagLib::FLAC::File>(name, tags);
        case AudioKind::Mp4: return readAs<TagLib::MP4::File>(name, tags);
        case AudioKind::Opus: return readAs<TagLib::Ogg::Opus::File>(name, tags);
        case AudioKind::Ogg: {
            // FLAC in Ogg never reaches TagLib (its packet lookup is
            // quadratic): such an album is taken as one whose tags say nothing.
            if (readOggFlacCover(path, 0).isOggFlac) return true;
            ReadOnlyTagFile<TagLib::Ogg::Vorbis::File> vorbisRead(name);
            TagLib::Ogg::Vorbis::File& vorbis = *vorbisRead;
            if (vorbis.isValid()) return fromFile(vorbis, tags);
            return readAs<TagLib::Ogg::Opus::File>(name, tags);
        }
        case AudioKind::WavPack: return readAs<TagLib::WavPack::File>(name, tags);
        case AudioKind::Musepack: return readAs<TagLib::MPC::File>(name, tags);
        case AudioKind::Ape: return readAs<TagLib::APE::File>(name, tags);
        case AudioKind::Asf: return readAs<TagLib::ASF::File>(name, tags);
        case AudioKind::Aiff: return readAs<TagLib::RIFF::AIFF::File>(name, tags);
        case AudioKind::Wav: return readAs<TagLib::RIFF::WAV::File>(name, tags);
        case AudioKind::Untagged:
        case AudioKind::None: return true;
    }
    return true;
}

}  // namespace

AlbumTags readAlbumTags(const std::string& path, std::string* failure) {
    AlbumTags tags;
    std::string why;
    try {
        why = tagGuardRefusal(path);  // what would overwhelm TagLib never reaches it
        if (why.empty() && !readOne(path, &tags)) why = "its tags cannot be read";
    } catch (const std::bad_alloc&) {
        why = "its tags need more memory than there is";
    } catch (...) {
        why = "its tags cannot be read";
    }
    if (!why.empty()) tags = AlbumTags();
    if (tags.year < 0 || tags.year > 9999) tags.year = 0;
    if (failure) *failure = why.empty() ? "" : path + ": " + why;
    return tags;
}

std::string albumTagFile(const std::string& folder) {
    std::string firstDisc;
    for (int level = 0; level < 2; ++level) {
        const std::string& listed = level == 0 ? folder : firstDisc;
        if (listed.empty()) break;
        std::string found;
        platform::FindEntry entry;
        platform::FindHandle listing = platform::findFirst(listed, &entry);
        if (listing == platform::kFindFailed) break;
        do {
            if (isHiddenName(entry.name)) continue;
            if (entry.attrib & platform::kAttrSubdir) {
                if (level == 0 && firstDisc.empty() && isDiscFolderName(entry.name))
                    firstDisc = joinPath(folder, entry.name);
                continue;
            }
            if (found.empty() && isAudioName(entry.name) && platform::isFile(joinPath(listed, entry.name)))
                found = joinPath(listed, entry.name);
        } while (found.empty() && platform::findNext(listing, &entry) == 0);
        platform::findClose(listing);
        if (!found.empty()) return found;
    }
    return "";
}

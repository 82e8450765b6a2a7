// Reads embedded covers with TagLib. Each file is first shown to the tag
// guards, then opened without its audio
// properties (no need to scan the audio), and every failure, from a file TagLib
// cannot parse to a picture beyond the size limit or an allocation that fails,
// becomes a reason in text instead of a crash.
#include "library/embedded_cover.h"

#include <attachedpictureframe.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2tag.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4item.h>
#include <mp4tag.h>
#include <mpegfile.h>
#include <aifffile.h>
#include <apefile.h>
#include <apeitem.h>
#include <apetag.h>
#include <asffile.h>
#include <asfpicture.h>
#include <asftag.h>
#include <mpcfile.h>
#include <wavpackfile.h>
#include <opusfile.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <xiphcomment.h>

#include <new>

#include "library/folder_rules.h"
#include "library/media_files.h"
#include "library/read_only_tag_file.h"
#include "library/ogg_flac_pictures.h"
#include "library/tag_guards.h"
#include "platform/platform.h"

namespace {

// What one file gave: the picture, or nothing with a reason, or nothing at all.
struct Found {
    std::vector<uint8_t> bytes;
    std::string failure;
};

// One picture of a tag as the tag holds it (TagLib shares the bytes, so
// nothing is copied yet), and whether it is the front cover.
struct Candidate {
    bool front;
    TagLib::ByteVector data;
};

// The front covers first, then the others, each in tag order: the first that
// is neither empty nor beyond the limit is copied out. The reason is that of
// the first picture refused.
Found choose(const std::vector<Candidate>& pictures) {
    Found found;
    for (const bool front : {true, false})
        for (const Candidate& picture : pictures) {
            if (picture.front != front) continue;
            if (picture.data.size() > kMaxEmbeddedPictureBytes) {
                if (found.failure.empty()) found.failure = refusedPictureText(picture.data.size());
                continue;
            }
            if (picture.data.isEmpty()) {
                if (found.failure.empty()) found.failure = "its embedded picture is empty";
                continue;
            }
            found.bytes.assign(picture.data.begin(), picture.data.end());
            found.failure.clear();
            return found;
        }
    return found;
}

Found fromId3v2(TagLib::ID3v2::Tag* tag) {
    if (!tag) return {};
    std::vector<Candidate> pictures;
    for (TagLib::ID3v2::Frame* frame : tag->frameListMap()["APIC"])
        if (auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
            pictures.push_back({picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover,
                                picture->picture()});
    return choose(pictures);
}

Found fromFlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& list) {
    std::vector<Candidate> pictures;
    for (const TagLib::FLAC::Picture* picture : list)
        pictures.push_back({picture->type() == TagLib::FLAC::Picture::FrontCover, picture->data()});
    return choose(pictures);
}

Found fromXiph(TagLib::Ogg::XiphComment* comment) {
    return comment ? fromFlacPictures(comment->pictureList()) : Found{};
}

// A second tag's answer when the first gave no picture: its picture, or the
// first tag's reason for refusing one.
Found orElse(Found first, Found second) {
    return !second.bytes.empty() || first.failure.empty() ? second : first;
}

// APEv2 keeps pictures in binary items named "Cover Art (Front)", "Cover Art
// (Back)" and so on (keys match in any letter case): a file name, a NUL, then
// the picture file's bytes.
Found fromApe(TagLib::APE::Tag* tag) {
    if (!tag) return {};
    std::vector<Candidate> pictures;
    for (const auto& [key, item] : tag->itemListMap()) {
        const std::string name = key.upper().to8Bit();
        if (name.rfind("COVER ART (", 0) != 0 || item.type() != TagLib::APE::Item::Binary) continue;
        const TagLib::ByteVector value = item.binaryData();
        const int nul = value.find('\0');
        if (nul < 0) continue;
        pictures.push_back({name == "COVER ART (FRONT)", value.mid(unsigned(nul) + 1)});
    }
    return choose(pictures);
}

// ASF (WMA) keeps them in WM/Picture attributes, with ID3v2's picture types.
Found fromAsf(TagLib::ASF::Tag* tag) {
    if (!tag || !tag->contains("WM/Picture")) return {};
    std::vector<Candidate> pictures;
    for (const TagLib::ASF::Attribute& attribute : tag->attribute("WM/Picture")) {
        const TagLib::ASF::Picture picture = attribute.toPicture();
        if (picture.isValid())
            pictures.push_back({picture.type() == TagLib::ASF::Picture::FrontCover, picture.picture()});
    }
    return choose(pictures);
}

// FLAC in Ogg: its PICTURE blocks first, then the pictures of its comment
// block, both read from the header packets by our own reader. False when the
// file is not FLAC in Ogg.
bool fromOggFlac(const std::string& path, Found* result) {
    OggFlacCover cover = readOggFlacCover(path, kMaxEmbeddedPictureBytes);
    if (!cover.isOggFlac) return false;
    result->bytes = std::move(cover.bytes);
    result->failure = result->bytes.empty() ? cover.failure : "";
    return true;
}

template <typename FileType>
bool opened(FileType& file, Found* found) {
    if (file.isValid()) return true;
    found->failure = "its tags cannot be read";
    return false;
}

// The APEv2 pictures of a WavPack, Musepack or Monkey's Audio file.
template <typename FileType, typename Name>
Found fromApeFile(const Name* name) {
    Found found;
    ReadOnlyTagFile<FileType> fileRead(name);
    FileType& file = *fileRead;
    if (opened(file, &found)) found = fromApe(file.APETag());
    return found;
}

Found readOne(const std::string& path) {
    const platform::NativePath native = platform::nativePath(path);
    const auto* name = native.c_str();
    Found found;
    switch (audioKindOf(path)) {
        case AudioKind::Mpeg: {
            ReadOnlyTagFile<TagLib::MPEG::File> fileRead(name);
            TagLib::MPEG::File& file = *fileRead;
            if (opened(file, &found) && file.hasID3v2Tag()) found = fromId3v2(file.ID3v2Tag());
            break;
        }
        case AudioKind::Flac: {
            ReadOnlyTagFile<TagLib::FLAC::File> fileRead(name);
            TagLib::FLAC::File& file = *fileRead;
            if (!opened(file, &found)) return found;
            found = fromFlacPictures(file.pictureList());
            if (found.bytes.empty() && file.hasXiphComment()) found = orElse(found, fromXiph(file.xiphComment()));
            break;
        }
        case AudioKind::Mp4: {
            ReadOnlyTagFile<TagLib::MP4::File> fileRead(name);
            TagLib::MP4::File& file = *fileRead;
            if (!opened(file, &found) || !file.tag() || !file.tag()->contains("covr")) return found;
            std::vector<Candidate> pictures;  // covr has no picture types: the first usable one
            for (const TagLib::MP4::CoverArt& cover : file.tag()->item("covr").toCoverArtList())
                pictures.push_back({false, cover.data()});
            found = choose(pictures);
            break;
        }
        case AudioKind::Opus: {
            ReadOnlyTagFile<TagLib::Ogg::Opus::File> fileRead(name);
            TagLib::Ogg::Opus::File& file = *fileRead;
            if (opened(file, &found)) found = fromXiph(file.tag());
            break;
        }
        case AudioKind::Ogg: {
            // FLAC in Ogg first: its own reader walks the header packets, and
            // TagLib (whose packet lookup is quadratic) never sees such a file.
            if (fromOggFlac(path, &found)) return found;
            ReadOnlyTagFile<TagLib::Ogg::Vorbis::File> vorbisRead(name);
            TagLib::Ogg::Vorbis::File& vorbis = *vorbisRead;
            if (vorbis.isValid()) return fromXiph(vorbis.tag());
            ReadOnlyTagFile<TagLib::Ogg::Opus::File> opusRead(name);
            TagLib::Ogg::Opus::File& opus = *opusRead;
            if (opened(opus, &found)) found = fromXiph(opus.tag());
            break;
        }
        case AudioKind::WavPack:
            return fromApeFile<TagLib::WavPack::File>(name);
        case AudioKind::Musepack:
            return fromApeFile<TagLib::MPC::File>(name);
        case AudioKind::Ape:
            return fromApeFile<TagLib::APE::File>(name);
        case AudioKind::Asf: {
            ReadOnlyTagFile<TagLib::ASF::File> fileRead(name);
            TagLib::ASF::File& file = *fileRead;
            if (opened(file, &found)) found = fromAsf(file.tag());
            break;
        }
        case AudioKind::Aiff: {
            ReadOnlyTagFile<TagLib::RIFF::AIFF::File> fileRead(name);
            TagLib::RIFF::AIFF::File& file = *fileRead;
            if (opened(file, &found) && file.hasID3v2Tag()) found = fromId3v2(file.tag());
            break;
        }
        case AudioKind::Wav: {
            ReadOnlyTagFile<TagLib::RIFF::WAV::File> fileRead(name);
            TagLib::RIFF::WAV::File& file = *fileRead;
            if (opened(file, &found) && file.hasID3v2Tag()) found = fromId3v2(file.ID3v2Tag());
            break;
        }
        case AudioKind::Untagged:
        case AudioKind::None:
            break;
    }
    return found;
}

}  // namespace

std::string refusedPictureText(size_t bytes, size_t limit) {
    return "its embedded picture has " + std::to_string(bytes) + " bytes, more than the " +
           std::to_string(limit >> 20) + " MiB allowed for a picture";
}

std::vector<uint8_t> readEmbeddedCover(const std::string& path, std::string* failure) {
    Found found;
    try {
        found.failure = tagGuardRefusal(path);  // what would overwhelm TagLib never reaches it
        if (found.failure.empty()) found = readOne(path);
    } catch (const std::bad_alloc&) {
        found = Found{};
        found.failure = "its tags need more memory than there is";
    } catch (...) {
        found = Found{};
        found.failure = "its tags cannot be read";
    }
    if (failure) *failure = found.bytes.empty() && !found.failure.empty() ? path + ": " + found.failure : "";
    return std::move(found.bytes);
}

std::vector<uint8_t> findEmbeddedCover(const std::string& folder, std::string* failure, std::string* audioFile) {
    return findEmbeddedCover(folder, failure, audioFile, readEmbeddedCover);
}

std::vector<uint8_t> findEmbeddedCover(const std::string& folder, std::string* failure, std::string* audioFile,
                                       const EmbeddedCoverReader& read) {
    std::string firstFailure, failedFile;
    std::vector<std::string> audioFiles;
    platform::FindEntry entry;
    platform::FindHandle listing = platform::findFirst(folder, &entry);
    if (listing != platform::kFindFailed) {
        do {
            if (isHiddenName(entry.name) || (entry.attrib & platform::kAttrSubdir)) continue;
            if (isAudioName(entry.name)) audioFiles.push_back(entry.name);
        } while (platform::findNext(listing, &entry) == 0);
        platform::findClose(listing);
    }
    for (const std::string& name : audioFiles) {
        const std::string path = joinPath(folder, name);
        if (!platform::isFile(path)) continue;  // TagLib would wait for ever on a FIFO
        std::string why;
        std::vector<uint8_t> bytes = read(path, &why);
        if (!bytes.empty()) {
            if (failure) failure->clear();
            if (audioFile) *audioFile = path;
            return bytes;
        }
        if (firstFailure.empty() && !why.empty()) {
            firstFailure = why;
            failedFile = path;
        }
    }
    if (failure) *failure = firstFailure;
    if (audioFile) *audioFile = failedFile;
    return {};
}

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
#include <oggflacfile.h>
#include <opusfile.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <xiphcomment.h>

#include <new>

#include "library/media_files.h"
#include "library/tag_guards.h"
#include "platform/platform.h"

namespace {

// What one file gave: the picture, or nothing with a reason, or nothing at all.
struct Found {
    std::vector<uint8_t> bytes;
    std::string failure;
};

Found pictureOf(const TagLib::ByteVector& data) {
    Found found;
    if (data.size() > kMaxEmbeddedPictureBytes) {
        found.failure = "its embedded picture has " + std::to_string(data.size()) + " bytes, more than the " +
                        std::to_string(kMaxEmbeddedPictureBytes >> 20) + " MiB allowed";
        return found;
    }
    if (data.isEmpty()) {
        found.failure = "its embedded picture is empty";
        return found;
    }
    found.bytes.assign(data.begin(), data.end());
    return found;
}

Found fromId3v2(TagLib::ID3v2::Tag* tag) {
    if (!tag) return {};
    const TagLib::ID3v2::FrameList& frames = tag->frameListMap()["APIC"];
    const TagLib::ID3v2::AttachedPictureFrame* chosen = nullptr;
    for (TagLib::ID3v2::Frame* frame : frames) {
        auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (!picture) continue;
        if (!chosen) chosen = picture;
        if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) {
            chosen = picture;
            break;
        }
    }
    return chosen ? pictureOf(chosen->picture()) : Found{};
}

Found fromFlacPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
    const TagLib::FLAC::Picture* chosen = nullptr;
    for (const TagLib::FLAC::Picture* picture : pictures) {
        if (!chosen) chosen = picture;
        if (picture->type() == TagLib::FLAC::Picture::FrontCover) {
            chosen = picture;
            break;
        }
    }
    return chosen ? pictureOf(chosen->data()) : Found{};
}

Found fromXiph(TagLib::Ogg::XiphComment* comment) {
    return comment ? fromFlacPictures(comment->pictureList()) : Found{};
}

template <typename FileType>
bool opened(FileType& file, Found* found) {
    if (file.isValid()) return true;
    found->failure = "its tags cannot be read";
    return false;
}

Found readOne(const std::string& path) {
    const std::string ending = loweredEnding(path);
    const platform::NativePath native = platform::nativePath(path);
    const auto* name = native.c_str();
    Found found;
    if (ending == "mp3" || ending == "mp2") {
        TagLib::MPEG::File file(name, false);
        if (opened(file, &found) && file.hasID3v2Tag()) found = fromId3v2(file.ID3v2Tag());
    } else if (ending == "flac") {
        TagLib::FLAC::File file(name, false);
        if (!opened(file, &found)) return found;
        found = fromFlacPictures(file.pictureList());
        if (found.bytes.empty() && found.failure.empty() && file.hasXiphComment())
            found = fromXiph(file.xiphComment());
    } else if (ending == "m4a" || ending == "mp4" || ending == "m4b") {
        TagLib::MP4::File file(name, false);
        if (!opened(file, &found) || !file.tag() || !file.tag()->contains("covr")) return found;
        const TagLib::MP4::CoverArtList covers = file.tag()->item("covr").toCoverArtList();
        if (!covers.isEmpty()) found = pictureOf(covers.front().data());  // covr has no picture types
    } else if (ending == "opus") {
        TagLib::Ogg::Opus::File file(name, false);
        if (opened(file, &found)) found = fromXiph(file.tag());
    } else if (ending == "ogg" || ending == "oga") {
        TagLib::Ogg::Vorbis::File vorbis(name, false);
        if (vorbis.isValid()) return fromXiph(vorbis.tag());
        TagLib::Ogg::FLAC::File flac(name, false);  // .oga and .ogg also hold FLAC
        if (flac.isValid()) return fromXiph(flac.tag());
        TagLib::Ogg::Opus::File opus(name, false);
        if (opened(opus, &found)) found = fromXiph(opus.tag());
    } else if (ending == "aif" || ending == "aiff") {
        TagLib::RIFF::AIFF::File file(name, false);
        if (opened(file, &found) && file.hasID3v2Tag()) found = fromId3v2(file.tag());
    } else if (ending == "wav") {
        TagLib::RIFF::WAV::File file(name, false);
        if (opened(file, &found) && file.hasID3v2Tag()) found = fromId3v2(file.ID3v2Tag());
    }
    return found;
}

}  // namespace

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
            if (entry.name.empty() || entry.name[0] == '.' || (entry.attrib & platform::kAttrSubdir)) continue;
            if (isAudioName(entry.name)) audioFiles.push_back(entry.name);
        } while (platform::findNext(listing, &entry) == 0);
        platform::findClose(listing);
    }
    for (const std::string& name : audioFiles) {
        const std::string path = folder + platform::kSeparator + name;
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

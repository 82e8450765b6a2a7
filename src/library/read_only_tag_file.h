// A TagLib file read through a stream opened for reading only. Given a file
// name, TagLib opens the file for reading and writing; closing a file opened
// for writing tells a folder watch that it was written (inotify's
// IN_CLOSE_WRITE), so reading an album's cover or tags would make its folder
// look changed, and the cover be read again, and again.
#pragma once

#include <id3v2framefactory.h>
#include <tfilestream.h>

#include <type_traits>

template <typename FileType>
class ReadOnlyTagFile {
public:
    explicit ReadOnlyTagFile(TagLib::FileName name) : stream_(name, true), file_(readFrom(&stream_)) {}
    ReadOnlyTagFile(const ReadOnlyTagFile&) = delete;
    ReadOnlyTagFile& operator=(const ReadOnlyTagFile&) = delete;

    FileType& operator*() { return file_; }

private:
    // Without the audio properties: only the tags are read.
    static FileType readFrom(TagLib::IOStream* stream) {
        if constexpr (std::is_constructible_v<FileType, TagLib::IOStream*, TagLib::ID3v2::FrameFactory*, bool>)
            return FileType(stream, TagLib::ID3v2::FrameFactory::instance(), false);
        else
            return FileType(stream, false);
    }

    TagLib::FileStream stream_;  // first: the file reads through it
    FileType file_;
};

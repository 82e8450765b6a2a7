#include "library/media_files.h"

#include "platform/platform.h"

namespace {

struct Ending {
    const char* ending;
    AudioKind kind;
};

const Ending kAudioEndings[] = {
    {"mp3", AudioKind::Mpeg},   {"mp2", AudioKind::Mpeg},     {"flac", AudioKind::Flac},    {"ogg", AudioKind::Ogg},
    {"oga", AudioKind::Ogg},    {"opus", AudioKind::Opus},    {"m4a", AudioKind::Mp4},      {"m4b", AudioKind::Mp4},
    {"mp4", AudioKind::Mp4},    {"wma", AudioKind::Asf},      {"asf", AudioKind::Asf},      {"wav", AudioKind::Wav},
    {"aif", AudioKind::Aiff},   {"aiff", AudioKind::Aiff},    {"aifc", AudioKind::Aiff},    {"wv", AudioKind::WavPack},
    {"mpc", AudioKind::Musepack}, {"ape", AudioKind::Ape},    {"aac", AudioKind::Untagged},
};

}  // namespace

AudioKind audioKindOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    const size_t slash = name.rfind(platform::kSeparator);
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (dot == std::string::npos || dot <= nameStart) return AudioKind::None;
    const std::string ending = loweredEnding(name);
    for (const Ending& known : kAudioEndings)
        if (ending == known.ending) return known.kind;
    return AudioKind::None;
}

bool isAudioName(const std::string& name) { return audioKindOf(name) != AudioKind::None; }

std::string loweredEnding(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind(platform::kSeparator);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ending = path.substr(dot + 1);
    for (char& c : ending)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ending;
}

// Start-up and shutdown. The entry owns everything it creates and releases it
// in a fixed order while the GL context still exists; SDL goes last.
#include "app/entry.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "app/album_orders.h"
#include "app/app_state.h"
#include "app/command_line.h"
#include "app/frame_log.h"
#include "app/frame_loop.h"
#include "app/gamepad.h"
#include "app/ini_reader.h"
#include "app/input.h"
#include "app/library_update.h"
#include "app/library_wait.h"
#include "app/opening.h"
#include "app/pacing.h"
#include "app/player_notice.h"
#include "app/settings_check.h"
#include "app/user_paths.h"
#include "app/window.h"
#include "library/album_probe.h"
#include "library/albums_loader.h"
#include "library/library_index.h"
#include "library/library_scan.h"
#include "library/library_watch.h"
#include "library/tag_reading.h"
#include "platform/log_text.h"
#include "platform/platform.h"
#include "platform/profile_lines.h"
#include "render/font_loader.h"
#include "render/projection.h"
#include "render/text_font.h"
#include "texture/cover_loader.h"
#include "texture/gl_texture.h"
#include "texture/texture_budget.h"
#include "texture/texture_loader.h"
#include "texture/texture_streaming.h"
#include "texture/thumbnail_cache.h"

std::string musicFolderFromText(const std::string& text) {
    const bool root = text.size() == 1 || (platform::kSeparator == '\\' && text.size() == 3 && text[1] == ':');
    if (!root && !text.empty() && text.back() == platform::kSeparator) return text.substr(0, text.size() - 1);
    return text;
}

std::string expandHome(const std::string& value, const std::string& home) {
    if (value.compare(0, 2, "~/") == 0 && !home.empty()) return home + value.substr(1);
    return value;
}

std::string defaultMusicFolder(const std::string& home) { return defaultMusicFolder(home, ""); }

std::string noMusicFolderMessage(const std::string& folderText, const std::string& settingsFile,
                                 NoAlbumReason reason) {
    const std::string folder = "The music directory " + platform::printable(folderText);
    const std::string file = platform::printable(settingsFile);
    const std::string startWith =
        "Start vellora with your music folder (vellora FOLDER), or set defaultdir in the settings file " + file + ".";
    // An empty name (an empty argument, or defaultdir left empty) would list
    // the root of the file system.
    if (folderText.empty()) return "No music directory is given: its name is empty!\n" + startWith;
    switch (reason) {
        case NoAlbumReason::Missing:
            return folder + " does not exist!\n" + startWith;
        case NoAlbumReason::NotAFolder:
            return folder + " is not a folder!\n" + startWith;
        case NoAlbumReason::SongsOnly:
            return folder + " holds songs but no album folders!\n" +
                   "Each album is a sub-folder of the music folder (Music/Album/song.mp3), or with depth = 2 in "
                   "the settings file " + file + " a sub-folder of an artist's folder (Music/Artist/Album). "
                   "Start vellora with the folder that holds your album folders (vellora FOLDER).";
        case NoAlbumReason::NoAlbums:
            break;
    }
    return folder + " is not valid!\n" + "It holds no album folders: each album is a sub-folder of it. " + startWith;
}

static void createTextures() {
    const int count = albums->getAlbumsCount();
    textures = new glTexture[count]();  // every texID 0: no texture yet

    texLoader = new TextureLoader();
    texLoader->SetAlphaMatch(0, 0, 0, 0);
    texLoader->SetHighQualityTextures(1);
    texLoader->SetMipMapping(1);
    texLoader->SetTextureFilter(TexFilterTrilinear);
}

// The desktop's thumbnail cache the cover loader reads and writes; nullptr
// when the thumbnailcache setting turns it off. Outlives the cover streaming.
static ThumbnailCache* thumbnails = nullptr;

// The album selected at the end goes into the index, which then writes what
// is still queued and is closed; one still held by a watch thread left
// behind is left to end with the process.
static void closeLibraryIndex() {
    if (!libraryIndex) return;
    if (albums && albums->getAlbumsCount() > 0 && current >= 0 && current < albums->getAlbumsCount()) {
        IndexChanges selected;
        selected.albumSelected(albums->getAlbumKey(current));
        libraryIndex->write(std::move(selected));
    }
    if (!LibraryWatch::leftBehind()) delete libraryIndex;
    libraryIndex = nullptr;
}

static void shutdown() {
    delete libraryWatch;  // first: it hands changes to the tables below
    libraryWatch = nullptr;
    delete tagReading;  // gives up the file being read
    tagReading = nullptr;
    closeLibraryIndex();
    delete coverStreaming;  // stops the loader threads first
    coverStreaming = nullptr;
    // A loader thread left behind may still hold the cache: it is left to
    // end with the process, like the thread.
    if (coverLoaderThreadsLeftBehind() == 0) delete thumbnails;
    thumbnails = nullptr;
    FrameLog::finish();
    for (int i = 0; textures && i < albums->getAlbumsCount(); ++i)
        if (textures[i].texID != 0) texLoader->FreeTexture(&textures[i]);
    delete texLoader;
    texLoader = nullptr;
    delete[] textures;
    textures = nullptr;
    delete albums;
    albums = nullptr;
    delete textFont;
    textFont = nullptr;
    delete font;
    font = nullptr;
    closeGamepad();
    SDL_Quit();
}

// How long the start waits for a library from the index before it opens the window.
constexpr uint32_t kLibraryBeforeWindowMs = 50;

bool mustEndWithoutTeardown(bool scanStillRunning, int loaderThreadsLeftBehind) {
    return scanStillRunning || loaderThreadsLeftBehind > 0;
}

// Every end of a run that got as far as the scan: the normal one, and one
// before the library was there (the user closed the window while the scan
// ran, or the scan found nothing after all).
static int endRun(LibraryScan& scan, int status) {
    shutdown();  // ends the cover loader, which may leave a thread behind
    if (mustEndWithoutTeardown(scan.abandoned() || LibraryWatch::leftBehind() || LibraryIndex::leftBehind(),
                               coverLoaderThreadsLeftBehind())) {
        // A thread may be stuck in the kernel on a dead folder: end without
        // waiting for it, and without static destructors running under it.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

int SDL_main(int argc, char** argv) {
    // Options are answered before anything else, so --help needs no display or settings.
    const CommandLine commandLine = parseCommandLine(argc, argv);
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "%s\n", commandLine.error.c_str());
        return 2;
    }
    if (commandLine.help || commandLine.version) {
        std::fputs(commandLine.help ? usageText().c_str() : versionText().c_str(), stdout);
        return 0;
    }
    platform::returnFreedMemoryPromptly();  // while this is the only thread
    const std::string home = platform::homeFolder();
    const std::string configHome = platform::environmentValue("XDG_CONFIG_HOME");
    // ./vellora.ini wins when it is there and trusted; otherwise the user's
    // own (~/.config; Windows: %APPDATA%, then the older ~/.config). An
    // untrusted one is named once on stderr and counts as absent.
    const bool localSettings = platform::isFile(kLocalSettingsFile) && CIniReader(kLocalSettingsFile).isTrusted();
    const std::string settingsFile = settingsFilePath(
        localSettings, userSettingsFiles(platform::appDataFolder(), configHome, home), platform::isFile);
    CIniReader settings(settingsFile.c_str());
    playerSettingsFile = settingsFileForPeople(settingsFile, home);
    if (settings.isTrusted())
        reportSettingsMistakes(settingsFile, playerSettingsFile,
                               [&](const char* key) { return settings.ReadInteger("vellora", key, 0); });
    std::string userDirs;  // a missing, odd or unreadable file leaves it empty: ~/Music then
    const std::string config = configFolder(configHome, home);
    std::vector<uint8_t> userDirsBytes;
    std::string unreadable;
    if (!config.empty() &&
        platform::readRegularFile(config + "/user-dirs.dirs", 64 * 1024, &userDirsBytes, &unreadable))
        userDirs.assign(userDirsBytes.begin(), userDirsBytes.end());
    // An empty or missing musicplayer (and playerarguments) means: the default players.
    // Read whole: a path cut short would name another folder.
    const std::string playerText = settings.ReadText("vellora", "musicplayer", "");
    const std::string argumentsText = settings.ReadText("vellora", "playerarguments", "");
    const std::string enqueueText = settings.ReadText("vellora", "enqueuearguments", "");
    const bool endPlayer = settings.ReadBoolean("vellora", "endplayer", true);
    const std::string folderText = settings.ReadText("vellora", "defaultdir", defaultMusicFolder(home, userDirs).c_str());
    const bool autoplay = settings.ReadBoolean("vellora", "autoplay", true);
    // random, or last: where the browser ended (a word not known is said by the settings check, and is random)
    const bool startAtLast = platform::sameProfileName(settings.ReadText("vellora", "startat", "random"), "last");
    AlbumOrder order = AlbumOrder::Name;  // a word not known is said by the settings check
    albumOrderFromWord(settings.ReadText("vellora", "order", "name"), &order);
    // --depth wins over the setting; the library keeps either within 1..3.
    const int depth = commandLine.depth != 0 ? commandLine.depth : settings.ReadInteger("vellora", "depth", 1);
    const int textureMiB = settings.ReadInteger("vellora", "texturememory", int(kDefaultTextureBudgetMiB));
    const bool thumbnailCache = settings.ReadBoolean("vellora", "thumbnailcache", true);
    // Values out of range are taken as the nearest: below 0 never, past a day a day.
    const int rescanSeconds =
        std::clamp(settings.ReadInteger("vellora", "rescaninterval", kDefaultRescanSeconds), 0, kMaxRescanSeconds);
    const bool useIndex = settings.ReadBoolean("vellora", "libraryindex", true);

    const std::string folderAsGiven =
        commandLine.hasMusicFolder ? commandLine.musicFolder : expandHome(folderText, home);
    const std::string player = expandHome(playerText, home);

    const std::string musicFolder = musicFolderFromText(folderAsGiven);
    const auto sayWhyNoAlbum = [&] {
        const std::string message =
            noMusicFolderMessage(folderAsGiven, playerSettingsFile, whyNoAlbum(musicFolder));
        platform::messageBox("error", message.c_str());
    };
    // A quick look for one album, so that a folder without any still gets its
    // message before a window opens; the full scan then runs beside the
    // window's, GL's and the font's start-up.
    if (musicFolder.empty() || !holdsAnAlbum(musicFolder, depth)) {
        sayWhyNoAlbum();
        return 1;
    }
    const uint32_t scanDelay = uint32_t(std::atoi(platform::environmentValue(kScanDelayVariable).c_str()));
    start_sdl();  // before the scan thread exists: it may fork
    LibraryScan scan(musicFolder, player, depth, scanDelay, useIndex);

    // The library taken from the scan: its selection, its textures' table and
    // its covers' loading begun. False when it holds no album after all (the
    // folder changed since the quick look).
    bool taken = false, fromIndex = false;
    const auto takeLibrary = [&] {
        taken = true;
        albums = scan.take();
        libraryIndex = scan.takeIndex();
        fromIndex = scan.fromIndex();
        albums->setPlayerArguments(argumentsText);
        albums->setEnqueueArguments(enqueueText);
        albums->setEndPlayer(endPlayer);
        if (albums->getAlbumsCount() == 0) return false;
        std::vector<int> unused;  // nothing is kept per album yet
        albums->setOrder(order, &unused);
        std::srand(unsigned(std::time(nullptr)));
        current = std::rand() % albums->getAlbumsCount();
        const std::string lastAlbum = startAtLast ? scan.lastAlbum() : "";
        if (!lastAlbum.empty()) current = albums->albumAtKey(lastAlbum);
        position = float(current);
        createTextures();
        if (thumbnailCache) thumbnails = new ThumbnailCache(platform::thumbnailCacheFolder());
        coverStreaming = new CoverStreaming(*albums, textures, size_t(textureMiB > 0 ? textureMiB : 1) << 20,
                                            kIdleTextureRadius, coverLoaderThreads(std::thread::hardware_concurrency()),
                                            thumbnails);
        coverStreaming->requestNear(position, kDrawTextureRadius, middleCoverPixelHeight(screenWidth, screenHeight));
        return true;
    };
    const auto noAlbums = [&] {
        sayWhyNoAlbum();
        return endRun(scan, 1);
    };

    // A library from the index (its rows are read in a few milliseconds; the
    // window takes a hundred to open) has its nearest covers decoded while
    // the window, GL and the font are set up, so that they go up with the
    // first frame. A walk is not waited for.
    if (scan.waitIndexed(useIndex ? kLibraryBeforeWindowMs : 0) && !takeLibrary()) return noAlbums();
    init_sdl();
    if (!taken && scan.waitFinished(0) && !takeLibrary()) return noAlbums();
    init_gl();
    textFont = new TextFont();

    done = 0;
    const bool waited = !scan.waitFinished(0);
    if (!waitForLibrary(realLibraryWaitHooks(scan))) return endRun(scan, 0);
    if (!taken && !takeLibrary()) return noAlbums();

    // From here on the library follows its folder.
    libraryFolderForPeople = folderAsGiven;
    const std::string watchLimit = platform::environmentValue(kFolderWatchesVariable);
    libraryWatch = new LibraryWatch(musicFolder, depth, watchLimit.empty() ? -1 : std::atoi(watchLimit.c_str()),
                                    uint32_t(rescanSeconds) * 1000, albums->takeFoldersSeen(),
                                    {libraryIndex, fromIndex, fromIndex ? scanDelay : 0});

    tagReading = new TagReading(musicFolder);  // the frame loop names the albums to it

    if (autoplay) processKeys(KeyReturn);
    // The opening animation and the launch window count from here: from the
    // media library's start, or from the end of a scan that outlasted the
    // window's start-up.
    beginOpening(waited ? platform::ticks() : 0);

    FrameLog::start();
    runFrameLoop(realFrameHooks());
    return endRun(scan, 0);
}

#include "support/browser_run.h"

#include <cstdio>
#include <cstdlib>

#include "support/app_fixture.h"
#include "support/x11_window.h"

BrowserRun::BrowserRun(const BrowserOptions& options) {
    const std::string& relative = options.relativeMusicFolder;
    musicFolder = !relative.empty()              ? makeMusicFolder(dir, options.albums, {}, relative)
                  : options.musicFolder.empty() ? makeMusicFolder(dir, options.albums)
                                                : options.musicFolder;
    playerLog = dir.at("player.log");
    const std::string bin = dir.makeFolder("bin");
    const std::string player =
        options.playerOnPath.empty()
            ? writeStandInPlayer(dir.path(), "recording-player", playerLog, options.playerThen)
            : writeStandInPlayer(bin, options.playerOnPath, playerLog, options.playerThen);
    std::vector<std::string> env = options.extraEnv;
    env.push_back("PATH=" + bin);
    dir.writeFile("vellora.ini", "[vellora]\n" + options.settings +
                                     (options.recorderAsPlayer ? "musicplayer=" + player + "\n" : "") +
                                     "autoplay=" + (options.autoplay ? "true" : "false") + "\n");
    std::vector<std::string> argv{VELLORA_BINARY};
    argv.insert(argv.end(), options.options.begin(), options.options.end());
    argv.push_back(relative.empty() ? musicFolder : relative);
    // The browser writes thumbnails: into the run's own folder unless the test names one.
    bool cacheNamed = false;
    for (const std::string& entry : env) cacheNamed = cacheNamed || entry.rfind("XDG_CACHE_HOME", 0) == 0;
    if (!cacheNamed) env.push_back("XDG_CACHE_HOME=" + dir.at("cache"));
    if (options.frameLog) {
        frameLog = dir.at("frames.log");
        env.push_back("VELLORA_FRAME_LOG=" + frameLog);
    }
    process = std::make_unique<ChildProcess>(argv, dir.path(), env);
}

BrowserRun::~BrowserRun() { process->kill(); }

unsigned long BrowserRun::window() {
    if (!window_) window_ = findWindow(process->pid(), "Vellora", 20000);
    return window_;
}

bool BrowserRun::waitExit(int timeoutMs, int* status) { return process->wait(timeoutMs, status); }

std::vector<PlayerCall> BrowserRun::waitPlayerCalls(size_t count, int timeoutMs) const {
    waitFor([&] { return playerCalls().size() >= count; }, timeoutMs);
    return playerCalls();
}

int BrowserRun::albumIndex(const std::string& folder) {
    size_t space = folder.rfind(' ');
    return space == std::string::npos ? -1 : std::atoi(folder.c_str() + space + 1);
}

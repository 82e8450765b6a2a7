// The real browser started under the current X display on a generated
// library, with a settings file and a recording stand-in player. Its PATH is
// its own: a folder that holds only the stand-in when it goes on PATH, so no
// player the machine has installed is ever found.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

struct BrowserOptions {
    int albums = 12;
    bool autoplay = false;
    std::string musicFolder;             // when set, used instead of generated albums
    bool frameLog = false;               // write the frame log to BrowserRun::frameLog
    std::vector<std::string> extraEnv;   // e.g. "VELLORA_SCAN_DELAY_MS=..."; XDG_CACHE_HOME is the run's
                                         // own "cache" folder unless given here
    std::vector<std::string> options;    // command-line options before the folder, e.g. "--depth"
    std::string relativeMusicFolder;     // when set, the albums are made there, below the run's
                                         // folder, and the browser is given this relative name
    std::string settings;                // more lines of [vellora], e.g. "playerarguments=-e\n"
    bool recorderAsPlayer = true;        // musicplayer is the recording stand-in
    std::string playerOnPath;            // when set, the stand-in goes on PATH under this name
    std::string playerThen;              // what the stand-in does after recording (writeStandInPlayer)
};

class BrowserRun {
public:
    explicit BrowserRun(const BrowserOptions& options);
    ~BrowserRun();  // kills the browser if it still runs

    // The window, waiting up to 20 s for it; 0 when it never appeared.
    unsigned long window();
    // Waits up to timeoutMs for the browser to end; true with its status.
    bool waitExit(int timeoutMs, int* status);
    std::vector<PlayerCall> playerCalls() const { return readPlayerCalls(playerLog); }
    // Waits until at least `count` player starts were recorded.
    std::vector<PlayerCall> waitPlayerCalls(size_t count, int timeoutMs = 10000) const;
    // The album index of a folder handed to the player ("album 00007" -> 7).
    static int albumIndex(const std::string& folder);

    TempDir dir;
    std::string musicFolder;
    std::string playerLog;
    std::string frameLog;  // with BrowserOptions::frameLog; read it with frame_log_reader.h
    std::unique_ptr<ChildProcess> process;

private:
    unsigned long window_ = 0;
};

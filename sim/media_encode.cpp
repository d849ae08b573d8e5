#include "sim/media_encode.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "sim/media_clip.h"
#include "sim/sim_texts.h"

namespace orbix::sim {
namespace {

constexpr const char* kChineseFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
constexpr int kClipSeconds = 2;

// Per-coding encoder options, with "#" for the output stream's index. Video
// without B-frames in closed GOPs of one second, so that the clip loops on a
// key frame; rates kept low enough that bouquet40's 40 programs fit its 26
// Mbit/s with room to spare.
struct Recipe {
    MediaCodec codec;
    bool video;
    std::vector<std::string> options;
};

const std::vector<Recipe>& Recipes() {
    static const std::vector<Recipe> kRecipes = {
        {MediaCodec::Mpeg2,
         true,
         {"-c:#", "mpeg2video", "-b:#", "300k", "-maxrate:#", "300k", "-bufsize:#", "150k", "-g:#",
          "25", "-bf:#", "0", "-flags:#", "+cgop", "-sc_threshold:#", "1000000000"}},
        {MediaCodec::H264,
         true,
         {"-c:#", "libx264", "-b:#", "250k", "-maxrate:#", "250k", "-bufsize:#", "150k", "-g:#",
          "25", "-bf:#", "0", "-preset:#", "veryfast"}},
        {MediaCodec::Hevc,
         true,
         {"-c:#", "libx265", "-b:#", "250k", "-g:#", "25", "-bf:#", "0", "-preset:#", "ultrafast",
          "-x265-params:#", "log-level=error:vbv-maxrate=250:vbv-bufsize=150"}},
        {MediaCodec::Mpeg4,
         true,
         {"-c:#", "mpeg4", "-b:#", "300k", "-maxrate:#", "300k", "-bufsize:#", "150k", "-g:#", "25",
          "-bf:#", "0"}},
        {MediaCodec::Mp2, false, {"-c:#", "mp2", "-b:#", "48k", "-ac:#", "1"}},
        {MediaCodec::Aac, false, {"-c:#", "aac", "-b:#", "48k", "-ac:#", "1"}},
        {MediaCodec::Latm, false, {"-c:#", "aac", "-b:#", "48k", "-ac:#", "1"}},
        {MediaCodec::Ac3, false, {"-c:#", "ac3", "-b:#", "64k", "-ac:#", "1"}},
        {MediaCodec::Eac3, false, {"-c:#", "eac3", "-b:#", "64k", "-ac:#", "1"}},
        // The DTS encoder is experimental and takes no rate below 320 kbit/s.
        {MediaCodec::Dts, false, {"-c:#", "dca", "-strict:#", "-2", "-b:#", "320k", "-ac:#", "2"}},
    };
    return kRecipes;
}

std::string PictureFilter(int number) {
    // The name the program search gives it, where a font can draw it.
    std::error_code ec;
    const bool chinese = std::filesystem::exists(kChineseFont, ec);
    std::string filter("testsrc=s=320x240:r=25:d=");
    filter.append(std::to_string(kClipSeconds)).append(",drawtext=");
    if (chinese) filter.append("fontfile=").append(kChineseFont).append(":");
    filter.append("text='").append(chinese ? "节目" : "P").append(std::to_string(number));
    filter.append(
        "':fontsize=56:fontcolor=white:box=1:boxcolor=black:boxborderw=6:x=(w-tw)/2:y=24");
    return filter;
}

int TonePitch(int number) { return 200 + 40 * number; }

// Waits for one encoder; false when it failed.
bool WaitOne(std::map<pid_t, std::string>& running, std::string& error) {
    int status = 0;
    const auto it = running.begin();
    if (::waitpid(it->first, &status, 0) < 0) status = -1;
    const std::string path = it->second;
    running.erase(it);
    std::error_code ec;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::filesystem::remove(path + ".part", ec);
        error = texts::MediaEncodeFailed(path);
        return false;
    }
    std::filesystem::rename(path + ".part", path, ec);
    if (ec) error = texts::MediaEncodeFailed(path);
    return !ec;
}

pid_t Spawn(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

}  // namespace

std::vector<std::string> ClipEncodeCommand(int number, const std::string& path) {
    std::vector<std::string> c{"ffmpeg",
                               "-nostdin",
                               "-v",
                               "error",
                               "-y",
                               "-f",
                               "lavfi",
                               "-i",
                               PictureFilter(number),
                               "-f",
                               "lavfi",
                               "-i",
                               "sine=f=" + std::to_string(TonePitch(number)) +
                                   ":r=48000:d=" + std::to_string(kClipSeconds)};
    std::vector<std::string> codecOptions;
    bool latm = false;
    int index = 0;
    for (MediaCodec codec : ClipCodecs(number)) {
        const auto recipe = std::find_if(Recipes().begin(), Recipes().end(),
                                         [codec](const Recipe& r) { return r.codec == codec; });
        c.insert(c.end(), {"-map", recipe->video ? "0:v" : "1:a"});
        for (std::string option : recipe->options) {
            if (const auto at = option.find('#'); at != std::string::npos)
                option = option.substr(0, at) + std::to_string(index) + option.substr(at + 1);
            codecOptions.push_back(option);
        }
        latm = latm || codec == MediaCodec::Latm;
        ++index;
    }
    c.insert(c.end(), codecOptions.begin(), codecOptions.end());
    if (latm) c.insert(c.end(), {"-mpegts_flags", "latm"});
    c.insert(c.end(), {"-pes_payload_size", "0", "-f", "mpegts", path});
    return c;
}

bool BuildMediaCache(const std::string& dir, int jobs, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = texts::MediaCacheUnwritable(dir, ec.message());
        return false;
    }
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
        error = texts::MediaNoFfmpeg();
        return false;
    }
    std::map<pid_t, std::string> running;
    bool ok = true;
    for (int n = 1; n <= kMediaClipCount && ok; ++n) {
        const std::string path = ClipPath(dir, n);
        if (std::filesystem::exists(path, ec)) continue;
        // The last clip marks the cache complete: it waits for all before it.
        while (!running.empty() &&
               (static_cast<int>(running.size()) >= jobs || n == kMediaClipCount))
            ok = WaitOne(running, error) && ok;
        if (!ok) break;
        const pid_t pid = Spawn(ClipEncodeCommand(n, path + ".part"));
        if (pid < 0) {
            error = texts::MediaNoFfmpeg();
            ok = false;
            break;
        }
        running.emplace(pid, path);
    }
    while (!running.empty()) ok = WaitOne(running, error) && ok;
    return ok;
}

}  // namespace orbix::sim

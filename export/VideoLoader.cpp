// SPDX-License-Identifier: BSD-3-Clause
// The parts of video export that need no FFmpeg: the formats' names, the
// padding rule, and the loader of the module that holds the sink.
#include "export/VideoModule.h"

#include "QuorvaneVersion.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string RealPath(const char* path) {
    char resolved[PATH_MAX];
    return realpath(path, resolved) ? std::string(resolved) : std::string();
}

// The folder of the program or shared object this code was linked into,
// found while the process starts: a Python extension's path may be relative
// to a working folder that changes later.
std::string SelfDirectory() {
    Dl_info info{};
    link_map* map = nullptr;
    if (dladdr1(reinterpret_cast<void*>(&SelfDirectory), &info, reinterpret_cast<void**>(&map),
                RTLD_DL_LINKMAP) != 0 &&
        map && map->l_name && map->l_name[0] != '\0') {
        if (std::string path = RealPath(map->l_name); !path.empty())
            return DirectoryOf(path);
    }
    const std::string program = RealPath("/proc/self/exe");
    return program.empty() ? std::string() : DirectoryOf(program);
}

const std::string g_selfDirectory = SelfDirectory();

struct LoadedModule {
    CreateVideoSinkFunction create = nullptr;
    std::string error;
};

LoadedModule Open(const std::string& path) {
    LoadedModule loaded;
    // Never closed: the sinks it makes run its code until the process ends.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        loaded.error = "cannot load the video module " + path + ": " + (why ? why : "unknown error");
        return loaded;
    }
    auto entryOf = reinterpret_cast<VideoModuleEntryFunction>(dlsym(handle, kVideoModuleEntry));
    const VideoModuleEntry* entry = entryOf ? entryOf() : nullptr;
    if (!entry || !entry->create) {
        loaded.error = "the video module " + path + " is not one of Quorvane's";
    } else if (std::string(entry->version) != QUORVANE_VERSION ||
               entry->setupSize != sizeof(SinkSetup)) {
        loaded.error = "the video module " + path + " is from Quorvane " + entry->version +
                       ", not from this build of " QUORVANE_VERSION;
    } else {
        loaded.create = entry->create;
    }
    return loaded;
}

LoadedModule Load() {
    const auto candidates = VideoModuleCandidates(g_selfDirectory, std::getenv("QUORVANE_VIDEO_MODULE"));
    for (const auto& path : candidates) {
        if (access(path.c_str(), F_OK) == 0)
            return Open(path); // the first one present, even when it fails
    }
    LoadedModule missing;
    missing.error = "video export needs ";
    missing.error += kVideoModuleName;
    missing.error += ", which is not installed (looked for";
    for (size_t i = 0; i < candidates.size(); ++i)
        missing.error += (i ? ", " : " ") + candidates[i];
    missing.error += ")";
    return missing;
}

const LoadedModule& Module() {
    static const LoadedModule module = Load();
    return module;
}

} // namespace

std::vector<std::string> VideoModuleCandidates(const std::string& selfDirectory,
                                               const char* environment) {
    if (environment && *environment)
        return {environment};
    const std::string name = std::string("quorvane/modules/") + kVideoModuleName;
    std::vector<std::string> paths;
    if (!selfDirectory.empty()) {
        paths.push_back(selfDirectory + "/" + kVideoModuleName);
        paths.push_back(selfDirectory + "/../" QUORVANE_INSTALL_LIBDIR "/" + name);
        paths.push_back(selfDirectory + "/../../" QUORVANE_INSTALL_LIBDIR "/" + name);
    }
    paths.push_back(QUORVANE_INSTALL_FULL_LIBDIR "/" + name);
    return paths;
}

VideoCodec VideoCodecFor(ExportFormat format) {
    switch (format) {
    case ExportFormat::Mp4:
        return {"libx264", "H.264", "mp4", "MP4"};
    case ExportFormat::Avi:
        return {"mjpeg", "Motion JPEG", "avi", "AVI"};
    default:
        return {"ffv1", "FFV1", "matroska", "Matroska"};
    }
}

std::unique_ptr<FrameSink> MakeVideoSink(const SinkSetup& setup, std::string& error) {
    return MakeVideoSink(setup, VideoCodecFor(setup.format), error);
}

std::unique_ptr<FrameSink> MakeVideoSink(const SinkSetup& setup, const VideoCodec& codec,
                                         std::string& error) {
    const LoadedModule& module = Module(); // loaded once, by whichever thread asks first
    if (!module.create) {
        error = module.error;
        return nullptr;
    }
    return module.create(setup, codec, error);
}

std::string VideoPaddingNote(const SinkSetup& setup) {
    const int w = VideoPaddedSize(setup, setup.width);
    const int h = VideoPaddedSize(setup, setup.height);
    if (w == setup.width && h == setup.height)
        return {};
    const char* what = w != setup.width && h != setup.height ? "a black column and row"
                       : w != setup.width                   ? "a black column"
                                                           : "a black row";
    return "H.264 needs even sizes: the " + std::to_string(setup.width) + " x " +
           std::to_string(setup.height) + " frames are padded to " + std::to_string(w) + " x " +
           std::to_string(h) + " with " + what;
}

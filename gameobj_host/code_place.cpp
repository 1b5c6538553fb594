#include "gameobj_host/code_place.h"
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include "core/paths.h"
#include "gameobj_host/gameobj_sources.h"

extern char** environ;

namespace {

// Runs addr2line on the image file for the offset and reads its two lines:
// the function and "file:line" ("??" where it does not know).
bool ask_addr2line(const char* image, uintptr_t offset, char* out, int outSize) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    TempString<32> offsetText = TempString<32>::formatted("0x%zx", size_t(offset));
    char* argv[] = {const_cast<char*>("addr2line"), const_cast<char*>("-f"), const_cast<char*>("-C"),
                    const_cast<char*>("-e"), const_cast<char*>(image), offsetText.str, nullptr};
    pid_t pid;
    int err = posix_spawnp(&pid, "addr2line", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    int got = 0;
    if (err == 0) {
        ssize_t n;
        while (got < outSize - 1 && ((n = read(fds[0], out + got, size_t(outSize - 1 - got))) > 0 || (n < 0 && errno == EINTR)))
            if (n > 0) got += int(n);
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) got = 0;
    }
    close(fds[0]);
    out[got] = 0;
    return got > 0;
}

// A source path inside the module's source folder is shown from there.
// (The rebuild script names the files by their physical path.)
const char* short_source_path(const char* path) {
    char folder[PATH_MAX];
    if (!gameobj_source_folder[0] || !realpath(make_full_path(gameobj_source_folder), folder)) return path;
    size_t n = strlen(folder);
    if (strncmp(path, folder, n) == 0 && path[n] == '/') return path + n + 1;
    return path;
}

}  // namespace

CodePlace describe_code_place(const void* address, bool isReturnAddress) {
    CodePlace place;
    Dl_info info;
    if (!address || !dladdr(address, &info) || !info.dli_fname) {
        place.format("%p", address);
        return place;
    }
    uintptr_t offset = uintptr_t(address) - uintptr_t(info.dli_fbase) - (isReturnAddress ? 1 : 0);
    // Modules are opened through a descriptor of this process, which
    // addr2line reaches through this process's number.
    PathString image;
    if (strncmp(info.dli_fname, "/proc/self/", 11) == 0)
        image.format("/proc/%d/%s", int(getpid()), info.dli_fname + 11);
    else
        image = info.dli_fname;

    char text[1024];
    if (ask_addr2line(image, offset, text, sizeof(text))) {
        char* line = strchr(text, '\n');
        if (line) *line++ = 0;
        char* end = line ? strchr(line, '\n') : nullptr;
        if (end) *end = 0;
        // "file:23 (discriminator 2)": the line is what the modder needs.
        if (char* extra = line ? strstr(line, " (discriminator") : nullptr) *extra = 0;
        bool knowsFunction = strcmp(text, "??") != 0;
        bool knowsLine = line && strncmp(line, "??", 2) != 0 && !strstr(line, ":0");
        if (knowsFunction && knowsLine) {
            place.format("%s (%s)", text, short_source_path(line));
            return place;
        }
        if (knowsFunction) {
            place.format("%s (+0x%zx)", text, size_t(offset));
            return place;
        }
    }
    if (info.dli_sname)
        place.format("%s+0x%zx", info.dli_sname, size_t(uintptr_t(address) - uintptr_t(info.dli_saddr)));
    else
        place.format("%s+0x%zx", info.dli_fname, size_t(offset));
    return place;
}
